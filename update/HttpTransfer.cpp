#include "update/HttpTransfer.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/Text.h"
#include "base/Trace.h"

namespace tavrick {
namespace {

// The body is consumed in pieces of this size, whatever sizes the network delivers, so that
// the progress steps depend only on the body's length.
constexpr size_t kPieceSize = 10240;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandle {
  CURL* curl = nullptr;
  curl_slist* headers = nullptr;
  ~CurlHandle() {
    if (headers) curl_slist_free_all(headers);
    if (curl) curl_easy_cleanup(curl);
  }
};

// Sets up the request details both transfers share. False when the handle cannot be made.
bool OpenRequest(CurlHandle& h, const HttpOptions& options, const std::string& address) {
  GlobalInit();
  h.curl = curl_easy_init();
  if (!h.curl) return false;
  // A cached answer could hide a new version, so every request goes to the server.
  h.headers = curl_slist_append(h.headers, "Accept: */*");
  h.headers = curl_slist_append(h.headers, "Cache-Control: no-cache");
  h.headers = curl_slist_append(h.headers, "Pragma: no-cache");
  if (!h.headers) return false;
  CURL* c = h.curl;
  curl_easy_setopt(c, CURLOPT_URL, address.c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUpdateUserAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, h.headers);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // A redirect may not lower an https request to plain http.
  bool https = address.compare(0, 8, "https://") == 0;
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.ca_file.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options.ca_file.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, options.connect_timeout_ms);
  // A stalled body: less than one byte per second for the whole stall time.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                   std::max(1L, (options.stall_timeout_ms + 999) / 1000));
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(kPieceSize));
  return true;
}

long ResponseCode(CURL* c) {
  long code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  return code;
}

bool EndedAtHttps(CURL* c) {
  char* url = nullptr;
  curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &url);
  return url && std::strncmp(url, "https://", 8) == 0;
}

// --- FetchText ---------------------------------------------------------------------------

struct TextState {
  CURL* curl;
  uint64_t limit;
  std::string body;
  bool refused = false;
};

size_t TextWrite(char* data, size_t size, size_t count, void* user) {
  auto* s = static_cast<TextState*>(user);
  size_t n = size * count;
  if (ResponseCode(s->curl) != 200 || s->body.size() + n > s->limit) {
    s->refused = true;
    return 0;  // aborts the transfer
  }
  s->body.append(data, n);
  return n;
}

// --- DownloadFile ------------------------------------------------------------------------

class FileDownload {
 public:
  FileDownload(HttpTransfer& owner, CURL* c, const std::string& path,
               DownloadProgressSink* sink, uint64_t limit,
               void (HttpTransfer::*post)(DownloadProgressSink*, int))
      : owner_(owner), curl_(c), path_(path), sink_(sink), limit_(limit), post_(post) {
    piece_.reserve(kPieceSize);
  }
  ~FileDownload() { Discard(); }

  static size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<FileDownload*>(user);
    size_t n = size * count;
    return d->Accept(data, n) ? n : 0;
  }

  // After the transfer ended without a transport error: the body may not have started yet
  // (an empty body) and its last piece is still buffered.
  bool Finish() {
    if (!failed_ && !begun_ && !Begin()) return false;
    if (failed_) return false;
    if (!piece_.empty() && !FlushPiece()) return false;
    if (length_ > 0 && received_ != length_) {
      Fail("body shorter than its content length");
      return false;
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
      Fail("closing the file failed");
      return false;
    }
    kept_ = true;
    return true;
  }

  // Removes a partly written file.
  void Discard() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    if (created_ && !kept_) {
      ::unlink(path_.c_str());
      created_ = false;
    }
  }

  const char* reason() const { return reason_; }

 private:
  void Post(int percent) { (owner_.*post_)(sink_, percent); }

  void Fail(const char* why) {
    failed_ = true;
    if (!reason_) reason_ = why;
  }

  // The answer's headers are in: check the status, create the file, learn the length.
  bool Begin() {
    begun_ = true;
    long status = ResponseCode(curl_);
    if (status != 200) {
      Fail("status other than 200");
      return false;
    }
    Post(8);
    ::unlink(path_.c_str());
    // A fresh file: never one that reappeared meanwhile, never through a link.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      Fail("the file cannot be created");
      return false;
    }
    created_ = true;
    curl_off_t length = -1;
    if (curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
        length < 0)
      length = 0;
    length_ = static_cast<uint64_t>(length);
    if (length_ > limit_) {
      Fail("announced body too large");
      return false;
    }
    pieces_ = length_ / kPieceSize;
    Post(10);
    return true;
  }

  bool Accept(const char* data, size_t n) {
    if (failed_) return false;
    if (!begun_ && !Begin()) return false;
    if (received_ + n > limit_ || (length_ > 0 && received_ + n > length_)) {
      Fail("body longer than allowed");
      return false;
    }
    received_ += n;
    while (n > 0) {
      size_t take = std::min(n, kPieceSize - piece_.size());
      piece_.insert(piece_.end(), data, data + take);
      data += take;
      n -= take;
      if (piece_.size() == kPieceSize && !FlushPiece()) return false;
    }
    return true;
  }

  bool FlushPiece() {
    size_t done = 0;
    while (done < piece_.size()) {
      ssize_t w = ::write(fd_, piece_.data() + done, piece_.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        Fail("writing the file failed");
        return false;
      }
      done += static_cast<size_t>(w);
    }
    piece_.clear();
    // The running percentage is not limited to 100: a body longer than a whole number of
    // pieces passes it before the final 100 is posted.
    accumulated_ += 90;
    if (pieces_ != 0) Post(static_cast<int>(10 + accumulated_ / pieces_));
    return true;
  }

  HttpTransfer& owner_;
  CURL* curl_;
  std::string path_;
  DownloadProgressSink* sink_;
  uint64_t limit_;
  void (HttpTransfer::*post_)(DownloadProgressSink*, int);
  std::vector<char> piece_;
  int fd_ = -1;
  bool begun_ = false;
  bool created_ = false;
  bool kept_ = false;
  bool failed_ = false;
  const char* reason_ = nullptr;
  uint64_t length_ = 0;
  uint64_t pieces_ = 0;
  uint64_t received_ = 0;
  uint64_t accumulated_ = 0;
};

}  // namespace

HttpTransfer::HttpTransfer(HttpOptions options) : options_(std::move(options)) {}

void HttpTransfer::Post(DownloadProgressSink* sink, int percent) {
  if (!sink || percent == last_percent_) return;
  last_percent_ = percent;
  sink->PostDownloadPercent(percent);
}

int HttpTransfer::FetchText(const std::string& address, std::string& text) {
  text.clear();
  last_https_ = false;
  CurlHandle h;
  if (!OpenRequest(h, options_, address)) return kHttpNoSession;
  TextState state{h.curl, options_.max_text_bytes, {}, false};
  curl_easy_setopt(h.curl, CURLOPT_WRITEFUNCTION, TextWrite);
  curl_easy_setopt(h.curl, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(h.curl, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(options_.max_text_bytes));
  CURLcode rc = curl_easy_perform(h.curl);
  long status = ResponseCode(h.curl);
  if (rc != CURLE_OK || status != 200 || state.refused) {
    base::Trace(base::TraceLevel::Warning, "FetchText %s failed: %s, status %ld",
                address.c_str(), curl_easy_strerror(rc), status);
    return kHttpFailed;
  }
  last_https_ = EndedAtHttps(h.curl);
  text = base::Utf16ToUtf8(base::Utf8ToUtf16(state.body));
  return kHttpOk;
}

int HttpTransfer::DownloadFile(const std::string& address, const std::string& path,
                               DownloadProgressSink* sink) {
  last_https_ = false;
  Post(sink, 0);
  CurlHandle h;
  if (!OpenRequest(h, options_, address)) return kHttpNoSession;
  Post(sink, 2);
  FileDownload download(*this, h.curl, path, sink, options_.max_file_bytes,
                        &HttpTransfer::Post);
  curl_easy_setopt(h.curl, CURLOPT_WRITEFUNCTION, &FileDownload::Write);
  curl_easy_setopt(h.curl, CURLOPT_WRITEDATA, &download);
  curl_easy_setopt(h.curl, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(options_.max_file_bytes));
  CURLcode rc = curl_easy_perform(h.curl);
  if (rc != CURLE_OK || !download.Finish()) {
    base::Trace(base::TraceLevel::Warning, "DownloadFile %s failed: %s, status %ld%s%s",
                address.c_str(), curl_easy_strerror(rc), ResponseCode(h.curl),
                download.reason() ? ", " : "", download.reason() ? download.reason() : "");
    download.Discard();
    return kHttpFailed;
  }
  last_https_ = EndedAtHttps(h.curl);
  Post(sink, 100);
  return kHttpOk;
}

}  // namespace tavrick
