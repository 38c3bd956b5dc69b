#include "tests/support/update/UpdateServer.h"

#include <httplib.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tavrick::test {
namespace {

std::string CollapseSlashes(const std::string& path) {
  std::string out;
  for (char c : path)
    if (c != '/' || out.empty() || out.back() != '/') out += c;
  return out;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

const char kErrorPage[] =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
    "<p>The requested address was not found on this server.</p></body></html>\n";

}  // namespace

bool MakeSelfSignedCertificate(const std::string& folder) {
  std::string cert = folder + "cert.pem";
  std::string key = folder + "key.pem";
  std::vector<std::string> args = {
      "openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
      "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1",
      "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

LocalUpdateServer::LocalUpdateServer() = default;
LocalUpdateServer::~LocalUpdateServer() { Stop(); }

bool LocalUpdateServer::Start(const std::string& root, bool https,
                              const std::string& cert_folder, int port) {
  Stop();
  root_ = root;
  https_ = https;
  stopping_ = false;
  if (https) {
    if (cert_folder.empty() || !MakeSelfSignedCertificate(cert_folder)) return false;
    ca_file_ = cert_folder + "cert.pem";
    auto ssl = std::make_unique<httplib::SSLServer>(ca_file_.c_str(),
                                                    (cert_folder + "key.pem").c_str());
    if (!ssl->is_valid()) return false;
    server_ = std::move(ssl);
  } else {
    ca_file_.clear();
    server_ = std::make_unique<httplib::Server>();
  }
  server_->set_keep_alive_max_count(1);
  server_->Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    Handle(req.path, req.get_header_value("User-Agent"), req.get_header_value("Accept"), &res);
  });
  if (port == 0) {
    port_ = server_->bind_to_any_port("127.0.0.1");
  } else {
    port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
  }
  if (port_ <= 0) {
    server_.reset();
    return false;
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // The socket is bound already, so early requests wait in its backlog; still, wait for the
  // loop so that Stop() never races its start.
  for (int i = 0; i < 500 && !server_->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return true;
}

void LocalUpdateServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

std::string LocalUpdateServer::BaseUrl() const {
  return std::string(https_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

void LocalUpdateServer::SetFault(const std::string& path, ServerFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_[CollapseSlashes(path)] = fault;
}

void LocalUpdateServer::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
}

std::vector<RequestRecord> LocalUpdateServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LocalUpdateServer::Handle(const std::string& raw_path, const std::string& agent,
                               const std::string& accept, void* response) {
  auto& res = *static_cast<httplib::Response*>(response);
  std::string path = CollapseSlashes(raw_path);
  ServerFault fault = ServerFault::None;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back({raw_path, agent, accept});
    auto it = faults_.find(path);
    if (it != faults_.end()) fault = it->second;
  }
  if (fault == ServerFault::Timeout) {
    // Sleep in small steps so that Stop() does not wait for the whole delay.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms_);
    while (std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (fault == ServerFault::ErrorPage) {
    res.status = 404;
    res.set_content(kErrorPage, "text/html");
    return;
  }
  if (fault == ServerFault::HtmlPage) {
    res.status = 200;
    res.set_content(kErrorPage, "text/html");
    return;
  }
  if (fault == ServerFault::HugeBody) {
    uint64_t total = huge_bytes_;
    res.status = 200;
    res.set_content_provider(total, "application/octet-stream",
                             [](size_t, size_t length, httplib::DataSink& sink) {
                               static const std::string filler(65536, 'x');
                               return sink.write(filler.data(),
                                                 std::min(length, filler.size()));
                             });
    return;
  }
  std::string body;
  if (path.find("/../") != std::string::npos || !ReadFile(root_ + path.substr(1), body)) {
    res.status = 404;
    res.set_content(kErrorPage, "text/html");
    return;
  }
  res.status = 200;
  auto shared = std::make_shared<std::string>(std::move(body));
  switch (fault) {
    case ServerFault::EarlyClose:
      res.set_content_provider(shared->size(), "application/octet-stream",
                               [shared](size_t offset, size_t, httplib::DataSink& sink) {
                                 size_t half = shared->size() / 2;
                                 if (offset < half) sink.write(shared->data() + offset, half - offset);
                                 return false;
                               });
      break;
    case ServerFault::WrongLength:
      res.set_content_provider(shared->size() + 1000, "application/octet-stream",
                               [shared](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset < shared->size())
                                   sink.write(shared->data() + offset, shared->size() - offset);
                                 return false;
                               });
      break;
    case ServerFault::NoLength:
      res.set_chunked_content_provider("application/octet-stream",
                                       [shared](size_t offset, httplib::DataSink& sink) {
                                         if (offset < shared->size()) {
                                           size_t n = std::min<size_t>(7000, shared->size() - offset);
                                           sink.write(shared->data() + offset, n);
                                         } else {
                                           sink.done();
                                         }
                                         return true;
                                       });
      break;
    default:
      res.set_content(*shared, "application/octet-stream");
      break;
  }
}

}  // namespace tavrick::test
