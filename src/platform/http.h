#pragma once
// HTTP client for the update check and downloads.
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

struct HttpResult {
  bool ok = false;        // a connection was made and an answer received
  long status = 0;        // HTTP status code
  std::string body;       // at most the bytes asked for
  std::string error;      // the client's error text when !ok
};

// GET of `url` with these extra header lines; at most `max_bytes` of the body are kept.
HttpResult http_get(const std::string& url, const std::vector<std::string>& headers, std::size_t max_bytes,
                    long timeout_seconds = 15);

// Downloads `url` into `path` (through a new file renamed into place). `expected_size`
// (0: any) must match the length received. On failure, `error` says why.
bool http_download(const std::string& url, const std::string& path, std::size_t expected_size, std::string& error,
                   long timeout_seconds = 300);

}  // namespace platform
