#pragma once
// A small update server on loopback for tests and for trying the update paths out. It serves
// the files of a folder (version texts and packages laid out as the program asks for them)
// over HTTP or over HTTPS with a self-signed certificate made when it starts, and it can
// misbehave on request, per path.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace tavrick::test {

enum class ServerFault {
  None,
  Timeout,       // answers nothing for `delay_ms`
  EarlyClose,    // announces the whole length, sends half the body, closes
  WrongLength,   // announces 1000 bytes more than the body has, sends the body, closes
  ErrorPage,     // 404 with an HTML page
  HtmlPage,      // 200 with an HTML page instead of the file
  HugeBody,      // 200 with `huge_bytes` of filler and its length
  NoLength,      // the file in chunked encoding, without a content length
};

struct RequestRecord {
  std::string path;
  std::string user_agent;
  std::string accept;
};

// Makes a self-signed certificate for 127.0.0.1 with openssl in `folder`; the files are
// folder + "cert.pem" and folder + "key.pem". False when openssl failed.
bool MakeSelfSignedCertificate(const std::string& folder);

class LocalUpdateServer {
 public:
  LocalUpdateServer();
  ~LocalUpdateServer();

  // Serves `root` (a folder path ending with "/") on 127.0.0.1. With https, a certificate
  // is made in `cert_folder` first. port 0 picks a free one.
  bool Start(const std::string& root, bool https = false, const std::string& cert_folder = {},
             int port = 0);
  void Stop();

  // "http://127.0.0.1:<port>/" or "https://…/".
  std::string BaseUrl() const;
  // The certificate clients must trust (empty for plain HTTP).
  std::string CaFile() const { return ca_file_; }
  int port() const { return port_; }

  // Misbehaviour for one request path (after collapsing repeated slashes, e.g. "/fw/mouse/x").
  void SetFault(const std::string& path, ServerFault fault);
  void ClearFaults();
  void set_delay_ms(int ms) { delay_ms_ = ms; }
  void set_huge_bytes(uint64_t n) { huge_bytes_ = n; }

  std::vector<RequestRecord> Requests() const;

 private:
  void Handle(const std::string& raw_path, const std::string& agent, const std::string& accept,
              void* response);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::string root_;
  std::string ca_file_;
  bool https_ = false;
  int port_ = 0;
  int delay_ms_ = 3000;
  uint64_t huge_bytes_ = 64ull * 1024 * 1024;
  mutable std::mutex mutex_;
  std::map<std::string, ServerFault> faults_;
  std::vector<RequestRecord> requests_;
  bool stopping_ = false;
};

}  // namespace tavrick::test
