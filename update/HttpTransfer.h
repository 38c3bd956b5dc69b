#pragma once
// HTTP(S) GET transfers from the update server: short version texts and package files.
// One easy handle per transfer; certificates are always verified; the proxy settings of the
// environment (http_proxy, https_proxy, no_proxy) are honoured by libcurl itself.
#include <cstdint>
#include <string>

namespace tavrick {

// Receives the download percent (the main window's message 1694, wParam 0, lParam = percent).
// Called on the thread that runs the transfer.
class DownloadProgressSink {
 public:
  virtual ~DownloadProgressSink() = default;
  virtual void PostDownloadPercent(int percent) = 0;
};

struct HttpOptions {
  // Extra certificate authorities to trust (PEM file), for a server with a private
  // certificate such as the local test server. Empty: the system's store only.
  std::string ca_file;
  long connect_timeout_ms = 30000;
  // A transfer that moves no byte for this long is abandoned.
  long stall_timeout_ms = 60000;
  // Bodies beyond these sizes are refused and the transfer aborted.
  uint64_t max_text_bytes = 4096;
  uint64_t max_file_bytes = 256ull * 1024 * 1024;
};

// Result codes of both transfers.
inline constexpr int kHttpOk = 1;
inline constexpr int kHttpNoSession = 0;
inline constexpr int kHttpFailed = -1;

// The transfer object. Only one transfer runs at a time (all run on the worker thread).
class HttpTransfer {
 public:
  explicit HttpTransfer(HttpOptions options = {});

  // GETs the address; on success the whole body, as UTF-8 text, is in `text`.
  // 1 success; 0 no session; -1 the address could not be fetched, the status was not 200,
  // the body was shorter than announced or longer than max_text_bytes. `text` is empty
  // unless the result is 1.
  int FetchText(const std::string& address, std::string& text);

  // GETs the address into the file at `path`, posting progress to `sink` (may be null).
  // 1 success; 0 no session; -1 any failure, after which no file is left at `path`.
  int DownloadFile(const std::string& address, const std::string& path,
                   DownloadProgressSink* sink);

  // True when the last successful transfer ended at an https address (after any redirect),
  // with the certificate verified.
  bool LastTransferWasVerifiedHttps() const { return last_https_; }
  // The last posted percent (0 at construction).
  int LastPostedPercent() const { return last_percent_; }

  const HttpOptions& options() const { return options_; }

 private:
  void Post(DownloadProgressSink* sink, int percent);

  HttpOptions options_;
  int last_percent_ = 0;
  bool last_https_ = false;
};

// The request's user agent.
inline constexpr const char* kUpdateUserAgent = "IIC2.0/PC 5.5.0000";

}  // namespace tavrick
