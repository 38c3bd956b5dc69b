#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/UpdateServer.h"
#include "update/HttpTransfer.h"

namespace tavrick {
namespace {

using test::LocalUpdateServer;
using test::ServerFault;

struct RecordingSink : DownloadProgressSink {
  std::vector<int> posts;
  void PostDownloadPercent(int percent) override { posts.push_back(percent); }
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
  return s;
}

class HttpTransferTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new test::ScratchFolder("tavrick-http");
    server_ = new LocalUpdateServer;
    server_->set_delay_ms(6000);
    ASSERT_TRUE(server_->Start(root_->path()));
  }
  static void TearDownTestSuite() {
    delete server_;
    delete root_;
  }
  void SetUp() override { server_->ClearFaults(); }

  static std::string Serve(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(test::WriteWholeFile(root_->path() + name, bytes));
    return server_->BaseUrl() + name;
  }

  static HttpOptions QuickOptions() {
    HttpOptions o;
    // Short enough for the time-out cases, long enough for a busy machine's loopback.
    o.connect_timeout_ms = 2000;
    o.stall_timeout_ms = 2000;
    return o;
  }

  static test::ScratchFolder* root_;
  static LocalUpdateServer* server_;
  test::ScratchFolder out_{"tavrick-http-out"};
};
test::ScratchFolder* HttpTransferTest::root_ = nullptr;
LocalUpdateServer* HttpTransferTest::server_ = nullptr;

TEST_F(HttpTransferTest, FetchTextReturnsTheBodyAndSendsTheRequestDetails) {
  std::string url = Serve("version", "1.0.10");
  HttpTransfer http(QuickOptions());
  std::string text = "old";
  EXPECT_EQ(http.FetchText(url, text), 1);
  EXPECT_EQ(text, "1.0.10");
  EXPECT_FALSE(http.LastTransferWasVerifiedHttps());
  auto requests = server_->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().path, "/version");
  EXPECT_EQ(requests.back().user_agent, "IIC2.0/PC 5.5.0000");
  EXPECT_EQ(requests.back().accept, "*/*");
}

// Pieces are 10240 bytes whatever the network delivers; n = length / 10240 and each piece
// adds 90 / n, so the running value may pass 100 before the final 100.
TEST_F(HttpTransferTest, DownloadPostsTheProgressSteps) {
  struct Case {
    size_t size;
    bool with_length;
    std::vector<int> posts;
  } cases[] = {
      {25000, true, {2, 8, 10, 55, 100, 145, 100}},
      {25000, false, {2, 8, 10, 100}},
      {20480, true, {2, 8, 10, 55, 100}},
      {10240, true, {2, 8, 10, 100}},
      {5000, true, {2, 8, 10, 100}},
      {0, true, {2, 8, 10, 100}},
      {65000, true, {2, 8, 10, 25, 40, 55, 70, 85, 100, 115, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + (c.with_length ? " with length" : " chunked"));
    std::string name = "pkg-" + std::to_string(c.size) + (c.with_length ? "" : "-chunked");
    std::string body = Pattern(c.size);
    std::string url = Serve(name, body);
    if (!c.with_length) server_->SetFault("/" + name, ServerFault::NoLength);
    HttpTransfer http(QuickOptions());
    RecordingSink sink;
    std::string path = out_ / name;
    EXPECT_EQ(http.DownloadFile(url, path, &sink), 1);
    EXPECT_EQ(sink.posts, c.posts);
    std::string got;
    ASSERT_TRUE(test::ReadWholeFile(path, got));
    EXPECT_EQ(got, body);
  }
}

TEST_F(HttpTransferTest, SecondDownloadPostsZeroAgainAndNoSinkPostsNothing) {
  std::string url = Serve("twice", Pattern(3000));
  HttpTransfer http(QuickOptions());
  RecordingSink first, second;
  EXPECT_EQ(http.DownloadFile(url, out_ / "a", &first), 1);
  EXPECT_EQ(http.DownloadFile(url, out_ / "b", &second), 1);
  EXPECT_EQ(first.posts, (std::vector<int>{2, 8, 10, 100}));
  EXPECT_EQ(second.posts, (std::vector<int>{0, 2, 8, 10, 100}));
  // Without an owner nothing is posted and the remembered percent stays.
  EXPECT_EQ(http.DownloadFile(url, out_ / "c", nullptr), 1);
  EXPECT_EQ(http.LastPostedPercent(), 100);
}

// Every failure returns -1 and leaves no file, also when the body had started to arrive.
TEST_F(HttpTransferTest, FailedDownloadsLeaveNoFile) {
  std::string body = Pattern(50000);
  struct Case {
    const char* name;
    ServerFault fault;
    std::vector<int> posts;
  } cases[] = {
      {"timeout", ServerFault::Timeout, {2}},
      {"early-close", ServerFault::EarlyClose, {2, 8, 10, 32, 55}},
      {"wrong-length", ServerFault::WrongLength, {2, 8, 10, 32, 55, 77, 100}},
      {"error-page", ServerFault::ErrorPage, {2}},
      {"huge", ServerFault::HugeBody, {2}},
  };
  server_->set_huge_bytes(300ull * 1024 * 1024);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string url = Serve(c.name, body);
    server_->SetFault(std::string("/") + c.name, c.fault);
    HttpTransfer http(QuickOptions());
    RecordingSink sink;
    std::string path = out_ / c.name;
    EXPECT_EQ(http.DownloadFile(url, path, &sink), -1);
    EXPECT_FALSE(test::PathExists(path));
    EXPECT_EQ(sink.posts, c.posts);
  }
}

TEST_F(HttpTransferTest, DownloadFailsWithoutServerOrWritableFile) {
  std::string url = Serve("fine", Pattern(100));
  HttpTransfer http(QuickOptions());
  RecordingSink sink;
  // The folder of the file does not exist.
  EXPECT_EQ(http.DownloadFile(url, out_ / "missing/file", &sink), -1);
  EXPECT_EQ(sink.posts, (std::vector<int>{2, 8}));

  LocalUpdateServer gone;
  ASSERT_TRUE(gone.Start(out_.path()));
  std::string dead = gone.BaseUrl() + "fine";
  gone.Stop();
  EXPECT_EQ(http.DownloadFile(dead, out_ / "dead", &sink), -1);
  EXPECT_FALSE(test::PathExists(out_ / "dead"));

  // A body above the cap is refused by its announced length.
  HttpOptions small = QuickOptions();
  small.max_file_bytes = 99;
  HttpTransfer capped(small);
  EXPECT_EQ(capped.DownloadFile(url, out_ / "capped", nullptr), -1);
  EXPECT_FALSE(test::PathExists(out_ / "capped"));
  // Without a length the running count stops it, after part of it was written.
  small.max_file_bytes = 12000;
  HttpTransfer counted(small);
  std::string chunked = Serve("chunked-big", Pattern(30000));
  server_->SetFault("/chunked-big", ServerFault::NoLength);
  EXPECT_EQ(counted.DownloadFile(chunked, out_ / "counted", nullptr), -1);
  EXPECT_FALSE(test::PathExists(out_ / "counted"));
  std::string text;
  EXPECT_EQ(counted.FetchText(chunked, text), -1);  // far above the 4 KiB of a version text
  EXPECT_EQ(text, "");
}

TEST_F(HttpTransferTest, FetchTextFailures) {
  Serve("v-timeout", "1.0");
  Serve("v-error", "1.0");
  Serve("v-close", "1.0.0.0.0.0");
  server_->SetFault("/v-timeout", ServerFault::Timeout);
  server_->SetFault("/v-error", ServerFault::ErrorPage);
  server_->SetFault("/v-close", ServerFault::EarlyClose);
  server_->SetFault("/v-huge", ServerFault::HugeBody);
  server_->set_huge_bytes(1 << 20);
  HttpTransfer http(QuickOptions());
  for (const char* name : {"v-timeout", "v-error", "v-close", "v-huge", "v-missing"}) {
    SCOPED_TRACE(name);
    std::string text = "stale";
    EXPECT_EQ(http.FetchText(server_->BaseUrl() + name, text), -1);
    EXPECT_EQ(text, "");
  }
}

TEST(HttpsTransferTest, VerifiesTheCertificateAlways) {
  test::ScratchFolder root("tavrick-https");
  test::ScratchFolder certs("tavrick-cert");
  ASSERT_TRUE(test::WriteWholeFile(root / "version", "2.1"));
  ASSERT_TRUE(test::WriteWholeFile(root / "pkg.zip", Pattern(30000)));
  LocalUpdateServer server;
  ASSERT_TRUE(server.Start(root.path(), true, certs.path()));

  HttpOptions trusted;
  trusted.ca_file = server.CaFile();
  HttpTransfer http(trusted);
  std::string text;
  EXPECT_EQ(http.FetchText(server.BaseUrl() + "version", text), 1);
  EXPECT_EQ(text, "2.1");
  EXPECT_TRUE(http.LastTransferWasVerifiedHttps());
  EXPECT_EQ(http.DownloadFile(server.BaseUrl() + "pkg.zip", certs / "pkg.zip", nullptr), 1);
  EXPECT_TRUE(http.LastTransferWasVerifiedHttps());

  // Without the test authority the self-signed certificate is refused.
  HttpTransfer untrusted;
  EXPECT_EQ(untrusted.FetchText(server.BaseUrl() + "version", text), -1);
  EXPECT_EQ(untrusted.DownloadFile(server.BaseUrl() + "pkg.zip", certs / "other.zip", nullptr),
            -1);
  EXPECT_FALSE(test::PathExists(certs / "other.zip"));
  EXPECT_FALSE(untrusted.LastTransferWasVerifiedHttps());
}

}  // namespace
}  // namespace tavrick
