#include "platform/http.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

namespace platform {
namespace {

void global_init() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct BodySink {
  std::string* body;
  std::size_t max;
};

std::size_t write_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  std::size_t n = size * count;
  std::size_t room = sink->max > sink->body->size() ? sink->max - sink->body->size() : 0;
  sink->body->append(data, std::min(n, room));
  return n;  // the rest is read and dropped
}

std::size_t write_file(char* data, std::size_t size, std::size_t count, void* user) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(user)) * size;
}

}  // namespace

HttpResult http_get(const std::string& url, const std::vector<std::string>& headers, std::size_t max_bytes,
                    long timeout_seconds) {
  global_init();
  HttpResult result;
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.error = "HTTP client unavailable";
    return result;
  }
  curl_slist* list = nullptr;
  for (const auto& h : headers) list = curl_slist_append(list, h.c_str());
  BodySink sink{&result.body, max_bytes};
  char error[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_body);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  CURLcode rc = curl_easy_perform(curl);
  if (rc == CURLE_OK) {
    result.ok = true;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  } else {
    result.error = error[0] ? error : curl_easy_strerror(rc);
  }
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return result;
}

bool http_download(const std::string& url, const std::string& path, std::size_t expected_size, std::string& error,
                   long timeout_seconds) {
  global_init();
  std::string partial = path + ".part";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  if (!out) {
    error = "cannot write " + partial;
    return false;
  }
  CURL* curl = curl_easy_init();
  char buffer[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_file);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, buffer);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  CURLcode rc = curl_easy_perform(curl);
  curl_off_t received = 0;
  curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
  curl_easy_cleanup(curl);
  bool closed = std::fclose(out) == 0;
  std::error_code ec;
  if (rc != CURLE_OK || !closed) {
    error = rc != CURLE_OK ? (buffer[0] ? buffer : curl_easy_strerror(rc)) : "write error";
    std::filesystem::remove(partial, ec);
    return false;
  }
  if (expected_size != 0 && static_cast<std::size_t>(received) != expected_size) {
    error = "received " + std::to_string(received) + " bytes, expected " + std::to_string(expected_size);
    std::filesystem::remove(partial, ec);
    return false;
  }
  std::filesystem::rename(partial, path, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  return true;
}

}  // namespace platform
