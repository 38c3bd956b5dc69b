// Serves a folder as the update server on 127.0.0.1, over HTTP or HTTPS, optionally
// misbehaving for chosen paths. Layout the program asks for, below the folder:
//   <software>/version, <software>/Mouse-Setup-<v>.zip
//   <firmware>/mouse/version, <firmware>/mouse/firmware-<v>.zip
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/UpdateServer.h"
#include "tests/support/update/ZipBuilder.h"

using tavrick::test::LocalUpdateServer;
using tavrick::test::ServerFault;

namespace {

volatile sig_atomic_t g_stop = 0;

void Usage() {
  std::fprintf(stderr,
               "usage: tavrick-update-server --root DIR [--port N] [--https]\n"
               "       [--fault PATH=KIND]... [--delay MS] [--hostile PATH]\n"
               "KIND: timeout, early-close, wrong-length, error-page, html-page, huge, "
               "no-length\n"
               "--hostile PATH writes a package with hostile entry names to DIR/PATH\n");
}

bool ParseFault(const std::string& kind, ServerFault& fault) {
  static const std::map<std::string, ServerFault> kinds = {
      {"timeout", ServerFault::Timeout},       {"early-close", ServerFault::EarlyClose},
      {"wrong-length", ServerFault::WrongLength}, {"error-page", ServerFault::ErrorPage},
      {"html-page", ServerFault::HtmlPage},    {"huge", ServerFault::HugeBody},
      {"no-length", ServerFault::NoLength}};
  auto it = kinds.find(kind);
  if (it == kinds.end()) return false;
  fault = it->second;
  return true;
}

std::string HostilePackage() {
  tavrick::test::ZipBuilder zip;
  for (const char* name : {"..\\..\\evil.exe", "C:\\Windows\\x.dll", "/etc/x", "a/../b.txt",
                           "a\\..\\..\\evil", "../up.txt", "..\\up2.txt"})
    zip.AddFile(name, name);
  tavrick::test::ZipEntrySpec link;
  link.name = "link";
  link.data = "/etc";
  link.method = 0;
  link.made_by = 0x031E;
  link.external = tavrick::test::ZipBuilder::UnixExternal(0120777);
  zip.Add(link);
  zip.AddFile("link/passwd", "x");
  return zip.Build();
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  int port = 0;
  bool https = false;
  int delay = 3000;
  std::map<std::string, ServerFault> faults;
  std::string hostile;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--root") root = next();
    else if (a == "--port") port = std::atoi(next().c_str());
    else if (a == "--https") https = true;
    else if (a == "--delay") delay = std::atoi(next().c_str());
    else if (a == "--hostile") hostile = next();
    else if (a == "--fault") {
      std::string spec = next();
      size_t eq = spec.find('=');
      ServerFault f;
      if (eq == std::string::npos || !ParseFault(spec.substr(eq + 1), f)) {
        Usage();
        return 2;
      }
      faults[spec.substr(0, eq)] = f;
    } else {
      Usage();
      return a == "--help" ? 0 : 2;
    }
  }
  if (root.empty()) {
    Usage();
    return 2;
  }
  if (root.back() != '/') root += '/';
  if (!hostile.empty() && !tavrick::test::WriteWholeFile(root + hostile, HostilePackage())) {
    std::fprintf(stderr, "cannot write %s%s\n", root.c_str(), hostile.c_str());
    return 1;
  }
  tavrick::test::ScratchFolder certs("tavrick-update-server");
  LocalUpdateServer server;
  server.set_delay_ms(delay);
  if (!server.Start(root, https, certs.path(), port)) {
    std::fprintf(stderr, "the server could not start\n");
    return 1;
  }
  for (auto& [path, fault] : faults) server.SetFault(path, fault);
  std::printf("serving %s at %s\n", root.c_str(), server.BaseUrl().c_str());
  if (https) std::printf("certificate to trust: %s\n", server.CaFile().c_str());
  std::fflush(stdout);
  signal(SIGINT, [](int) { g_stop = 1; });
  signal(SIGTERM, [](int) { g_stop = 1; });
  while (!g_stop) pause();
  server.Stop();
  return 0;
}
