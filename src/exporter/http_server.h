#pragma once
// The exporter's HTTP side: Boost.Beast over one Boost.Asio io_context (one thread). Beast parses
// every request; a connection is bounded in what it may send (8 KiB of request line and headers,
// no body) and in time (the whole request within kRequestTimeLimit, so a client that sends one
// byte a second is dropped), and handled one request at a time.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <memory>

namespace kestrova::exporter {

namespace http = boost::beast::http;
using Request = http::request<http::empty_body>;
using Response = http::response<http::string_body>;
// Hands the answer back; may be called later (after a probe), always on the io_context's thread.
using Reply = std::function<void(Response)>;
using Handler = std::function<void(const Request&, Reply)>;

constexpr std::size_t kRequestHeaderLimit = 8192;
constexpr std::chrono::seconds kRequestTimeLimit{10};
// Time a client gets to take an answer.
constexpr std::chrono::seconds kWriteTimeLimit{30};

// Accepts on endpoint and runs handler for each request; throws boost::system::system_error when
// the endpoint cannot be bound.
class HttpServer {
 public:
  HttpServer(boost::asio::io_context& io, const boost::asio::ip::tcp::endpoint& endpoint, Handler handler);
  boost::asio::ip::tcp::endpoint localEndpoint() const { return acceptor_.local_endpoint(); }

 private:
  void accept();

  boost::asio::io_context& io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::steady_timer retry_;
  std::shared_ptr<Handler> handler_;
};

// A plain-text answer.
Response TextResponse(const Request& request, http::status status, std::string body,
                      const char* contentType = "text/plain; charset=utf-8");

}  // namespace kestrova::exporter
