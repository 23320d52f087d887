// HTTP fetch: a blocking HTTP/1.0 GET into a file or a text. Host, path and
// port come separately; there is no redirect handling and no status check,
// so an error page arrives as the body like any other.
//
// Depends on: net/socket_layer.h, files/ (paths of the output file).
//
// The header ends at the first empty line ("\r\n\r\n" or "\n\n"). A fetch
// into a file writes a temporary file beside it and renames it over the old
// file only when the body arrived whole (the server closed the connection
// normally, and with the length the header announced when it announced one),
// so a failed fetch leaves the old file as it was. The file receives the
// body byte for byte, zero bytes included; a text ends at the first zero
// byte of the body. A body of the announced length ends the fetch even when
// the server keeps the connection open (bytes beyond it are not body). A
// server that sends nothing for the time-out fails the fetch instead of
// blocking the game for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "net/http_header.h"

namespace orv {

// GETs path from host:port (0 = 80), handing body bytes to `body` as they
// arrive; `body` returns false to stop early (a normal end). True when the
// whole body arrived; otherwise lastSocketError tells why.
bool HttpFetch(const std::string& host, const std::string& path, int port, int timeoutMs,
               const std::function<bool(const char*, size_t)>& body);

// The game's two forms: 1/0 and the text ("" on failure).
bool WebGetToFile(const std::string& host, const std::string& path, int port, const std::string& gamePath,
                  int timeoutMs);
std::string WebGetText(const std::string& host, const std::string& path, int port, int maximum, int timeoutMs);

}  // namespace orv
