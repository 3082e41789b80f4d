// The IPP source's bad answers, each from a server of the test's own on
// 127.0.0.1 (or none), and the comparison's rows of asked and loaded paper.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "client/paperchk_client.h"
#include "client/paperchk_ipp.h"

namespace {

// An IPP response, byte by byte (RFC 8010).
class Response {
 public:
  explicit Response(std::uint16_t status = 0) : bytes_{1, 1, Byte(status >> 8u), Byte(status), 0, 0, 0, 1, 4} {}
  Response& Value(std::uint8_t tag, const std::string& name, const std::string& value) {
    bytes_.push_back(tag);
    Length(name.size());
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    Length(value.size());
    bytes_.insert(bytes_.end(), value.begin(), value.end());
    return *this;
  }
  Response& Member(const std::string& name, std::uint8_t tag, const std::string& value) {
    return Value(0x4A, "", name).Value(tag, "", value);
  }
  // One media-col-ready entry (the first with the attribute's name).
  Response& Loaded(bool first, const std::string& size, const std::string& source, const std::string& type) {
    Value(0x34, first ? "media-col-ready" : "", "");
    Member("media-size-name", 0x44, size).Member("media-source", 0x44, source).Member("media-type", 0x44, type);
    return Value(0x37, "", "");
  }
  std::string Bytes() const { return std::string(bytes_.begin(), bytes_.end()) + '\x03'; }

 private:
  static std::uint8_t Byte(unsigned value) { return static_cast<std::uint8_t>(value & 0xFF); }
  void Length(std::size_t size) {
    bytes_.push_back(Byte(static_cast<unsigned>(size >> 8)));
    bytes_.push_back(Byte(static_cast<unsigned>(size)));
  }
  std::vector<std::uint8_t> bytes_;
};

std::string IppAnswer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}

// Accepts one connection on 127.0.0.1, reads the request, sends `answer`
// and closes; silent: keeps the connection open without a word until the
// client gives up.
class OneAnswerServer {
 public:
  OneAnswerServer(std::string answer, bool silent) : answer_(std::move(answer)), silent_(silent) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OneAnswerServer() {
    thread_.join();
    close(listener_);
  }
  std::string Uri() const { return "ipp://127.0.0.1:" + std::to_string(port_) + "/ipp/print"; }

 private:
  void Serve() {
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    std::string request;
    char buffer[4096];
    // The whole request: its headers and the Content-Length bytes after them.
    for (;;) {
      const std::size_t end = request.find("\r\n\r\n");
      if (end != std::string::npos) {
        const std::size_t length = std::stoul(request.substr(request.find("Content-Length: ") + 16));
        if (request.size() >= end + 4 + length) break;
      }
      const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    if (silent_) {
      (void)recv(connection, buffer, sizeof buffer, 0);  // until the client gives up and closes
    } else {
      (void)send(connection, answer_.data(), answer_.size(), MSG_NOSIGNAL);
    }
    close(connection);
  }
  std::string answer_;
  bool silent_;
  int listener_ = -1;
  unsigned port_ = 0;
  std::thread thread_;
};

// A port nothing listens on: bound, never listened on.
std::string ClosedPortUri() {
  const int held = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  (void)bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address);
  (void)getsockname(held, reinterpret_cast<sockaddr*>(&address), &length);
  close(held);
  return "ipp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/ipp/print";
}

const paperchk_ipp_asked kA4Plain{"iso_a4_210x297mm", "stationery", "tray-1"};

struct BadAnswer {
  const char* name;
  std::string answer;  // empty: no server at all
  bool silent;
  int result;
  const char* sentence;  // a part of the outcome's message
};

TEST(IppSource, EachBadAnswerEndsInItsOwnResultAndNoReport) {
  const std::string loaded = Response().Loaded(true, "iso_a4_210x297mm", "tray-1", "stationery").Bytes();
  std::string many;
  {
    Response response;
    for (unsigned i = 0; i <= PAPERCHK_IPP_MAX_LOADED; ++i) response.Loaded(i == 0, "iso_a4_210x297mm", "tray-1", "stationery");
    many = response.Bytes();
  }
  const std::vector<BadAnswer> rows = {
      {"unreachable printer", "", false, PAPERCHK_IPP_UNREACHABLE, "cannot be reached (Connection refused)"},
      {"printer that never answers", "-", true, PAPERCHK_IPP_UNREACHABLE, "did not answer within 1000 ms"},
      {"web server, not IPP", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 6\r\n\r\n<html>", false,
       PAPERCHK_IPP_NOT_IPP, "not of type application/ipp"},
      {"HTTP error", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", false, PAPERCHK_IPP_NOT_IPP,
       "HTTP status 404"},
      {"no HTTP at all", "SSH-2.0-OpenSSH_9.2\r\n", false, PAPERCHK_IPP_NOT_IPP, "no HTTP answer"},
      {"IPP error status", IppAnswer(Response(0x0406).Bytes()), false, PAPERCHK_IPP_ERROR_STATUS,
       "IPP error status 0x0406"},
      {"truncated response", IppAnswer(loaded.substr(0, loaded.size() - 9)), false, PAPERCHK_IPP_TRUNCATED,
       "inside an attribute's value"},
      {"garbage", IppAnswer(std::string("\x01\x01\x00\x00\x00\x00\x00\x01\x00garbage", 16)), false,
       PAPERCHK_IPP_MALFORMED, "the reserved tag 0x00 at byte 8"},
      {"response over the limit",
       "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: 16385\r\n\r\n", false,
       PAPERCHK_IPP_OVER_LIMIT, "response is over 16384 bytes"},
      {"value over the limit", IppAnswer(Response().Loaded(true, "iso_a4_210x297mm", "tray-1", std::string(64, 'x')).Bytes()),
       false, PAPERCHK_IPP_OVER_LIMIT, "a value of media-type of 64 bytes (limit 63)"},
      {"too many loaded sources", IppAnswer(many), false, PAPERCHK_IPP_OVER_LIMIT,
       "more than 8 entries of media-col-ready"},
      {"nothing loaded", IppAnswer(Response().Value(0x44, "media-source-supported", "tray-1").Bytes()), false,
       PAPERCHK_IPP_NO_LOADED_MEDIA, "lists no loaded media"},
  };
  for (const BadAnswer& row : rows) {
    SCOPED_TRACE(row.name);
    paperchk_request request{};
    request.item_count = 2;  // an earlier report's: it must not survive
    request.paper_source = 30005;
    paperchk_ipp_outcome outcome{};
    int result;
    if (row.answer.empty()) {
      result = paperchk_ipp_read(ClosedPortUri().c_str(), &kA4Plain, 1000, &request, nullptr, &outcome);
    } else {
      OneAnswerServer server(row.answer, row.silent);
      result = paperchk_ipp_read(server.Uri().c_str(), &kA4Plain, 1000, &request, nullptr, &outcome);
    }
    EXPECT_EQ(result, row.result) << outcome.message;
    EXPECT_NE(std::string(outcome.message).find(row.sentence), std::string::npos) << outcome.message;
    std::printf("%-28s %d: %s\n", row.name, result, outcome.message);
    // Nothing to launch from: the launcher refuses a request without items.
    EXPECT_EQ(request.item_count, 0u);
    EXPECT_EQ(request.paper_source, 0u);
    request.printer_name = "p";
    request.port = "LPT1:";
    request.exchange_path = "C:\\x.bin";
    paperchk_error error{};
    EXPECT_EQ(paperchk_build_command_line("paperchk.exe", &request, nullptr, 0, &error), PAPERCHK_REFUSED);
    EXPECT_EQ(error.rule, PAPERCHK_RULE_ITEM_COUNT);
  }
}

TEST(IppSource, NamesWithTheirLanguageGiveTheirText) {
  // media-type as a nameWithLanguage: "en", then "stationery".
  const std::string named = std::string("\0\2en\0\x0Astationery", 16);
  const std::string bytes = Response()
                                .Value(0x34, "media-col-ready", "")
                                .Member("media-source", 0x44, "tray-1")
                                .Member("media-type", 0x36, named)
                                .Value(0x37, "", "")
                                .Bytes();
  paperchk_ipp_printer printer{};
  paperchk_ipp_outcome outcome{};
  ASSERT_EQ(paperchk_ipp_decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &printer, &outcome),
            PAPERCHK_IPP_AGREE)
      << outcome.message;
  ASSERT_EQ(printer.loaded_count, 1u);
  EXPECT_STREQ(printer.loaded[0].type, "stationery");
  // A language longer than the value holds is no IPP.
  const std::string broken = Response().Value(0x36, "printer-name", std::string("\0\x09" "en", 4)).Bytes();
  EXPECT_EQ(paperchk_ipp_decode(reinterpret_cast<const std::uint8_t*>(broken.data()), broken.size(), &printer, &outcome),
            PAPERCHK_IPP_MALFORMED);
}

struct ComparisonRow {
  const char* name;
  paperchk_ipp_asked asked;
  std::vector<paperchk_ipp_media> loaded;
  int result;
  std::vector<paperchk_item> items;
  std::uint32_t source;
  int second_tray;
  const char* unknown;
};

paperchk_ipp_media Media(const char* size, std::int32_t x, std::int32_t y, const char* source, const char* type) {
  paperchk_ipp_media media{};
  (void)std::snprintf(media.size_name, sizeof media.size_name, "%s", size);
  media.x_dimension = x;
  media.y_dimension = y;
  (void)std::snprintf(media.source, sizeof media.source, "%s", source);
  (void)std::snprintf(media.type, sizeof media.type, "%s", type);
  return media;
}

TEST(IppSource, ComparisonRows) {
  const paperchk_ipp_media a4_upper = Media("iso_a4_210x297mm", 21000, 29700, "tray-1", "stationery");
  const paperchk_ipp_media letter_lower = Media("na_letter_8.5x11in", 21590, 27940, "tray-2", "stationery");
  const std::vector<ComparisonRow> rows = {
      {"asked tray not loaded: the first loaded one is current", {"iso_a4_210x297mm", "stationery", "manual"},
       {a4_upper}, PAPERCHK_IPP_DIFFERS, {{40001, 30001, 30002}}, 30002, 0, ""},
      {"auto finds the source with the paper", {"na_letter_8.5x11in", "stationery", "auto"},
       {a4_upper, letter_lower}, PAPERCHK_IPP_AGREE, {}, 0, 0, ""},
      {"auto without the paper: all three with the other tray", {"iso_a5_148x210mm", "stationery", "auto"},
       {a4_upper, letter_lower}, PAPERCHK_IPP_DIFFERS,
       {{40001, 30006, 30002}, {40002, 50011, 768}, {40003, 20001, 20001}}, 30002, 1, ""},
      {"same sheet the other way round, size by dimensions alone", {"iso_a4_210x297mm", "stationery", "tray-1"},
       {Media("", 29700, 21000, "tray-1", "stationery")}, PAPERCHK_IPP_AGREE, {}, 0, 0, ""},
      {"keywords the table lacks are 0 and named", {"custom_min_50x50mm", "stationery-recycled", "tray-1"},
       {Media("", 12345, 23456, "tray-1", "labels")}, PAPERCHK_IPP_DIFFERS, {{40002, 0, 0}, {40003, 0, 0}}, 30002, 0,
       "asked size 'custom_min_50x50mm', asked media-type 'stationery-recycled', printer media-size '12345x23456', "
       "printer media-type 'labels'"},
      {"a source outside the dialog's two trays offers none", {"iso_a4_210x297mm", "photographic", "manual"},
       {Media("iso_a4_210x297mm", 21000, 29700, "manual", "stationery"), letter_lower}, PAPERCHK_IPP_DIFFERS,
       {{40003, 20004, 20001}}, 30001, 0, ""},
  };
  for (const ComparisonRow& row : rows) {
    SCOPED_TRACE(row.name);
    paperchk_ipp_printer printer{};
    for (const paperchk_ipp_media& media : row.loaded) printer.loaded[printer.loaded_count++] = media;
    paperchk_request request{};
    paperchk_ipp_outcome outcome{};
    EXPECT_EQ(paperchk_ipp_compare(&row.asked, &printer, &request, &outcome), row.result) << outcome.message;
    ASSERT_EQ(request.item_count, row.items.size());
    for (std::size_t i = 0; i < row.items.size(); ++i) {
      EXPECT_EQ(request.items[i].setting_name, row.items[i].setting_name) << i;
      EXPECT_EQ(request.items[i].application_value, row.items[i].application_value) << i;
      EXPECT_EQ(request.items[i].printer_value, row.items[i].printer_value) << i;
    }
    EXPECT_EQ(request.paper_source, row.source);
    EXPECT_EQ(request.second_tray_shown, row.second_tray);
    EXPECT_STREQ(outcome.unknown, row.unknown);
  }
}

}  // namespace
