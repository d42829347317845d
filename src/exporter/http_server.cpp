#include "exporter/http_server.h"

#include <boost/beast/core.hpp>
#include <optional>

namespace kestrova::exporter {

namespace beast = boost::beast;
namespace asio = boost::asio;

namespace {

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(asio::ip::tcp::socket socket, std::shared_ptr<Handler> handler)
      : stream_(std::move(socket)), handler_(std::move(handler)) {}

  void read() {
    parser_.emplace();
    parser_->header_limit(kRequestHeaderLimit);
    parser_->body_limit(0);
    stream_.expires_after(kRequestTimeLimit);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      self->onRead(ec);
    });
  }

 private:
  void onRead(beast::error_code ec) {
    if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::connection_reset ||
        ec == asio::error::eof) {
      close();
      return;
    }
    if (ec) {  // a request Beast refuses: too large, a body, not HTTP
      const Request none;
      write(TextResponse(none, http::status::bad_request, "bad request: " + ec.message() + "\n"), false);
      return;
    }
    const Request request = parser_->release();
    stream_.expires_never();  // a probe may take its time; its own deadline bounds it
    (*handler_)(request, [self = shared_from_this(), keepAlive = request.keep_alive()](Response response) {
      self->write(std::move(response), keepAlive);
    });
  }

  void write(Response response, bool keepAlive) {
    auto answer = std::make_shared<Response>(std::move(response));
    answer->keep_alive(keepAlive);
    answer->prepare_payload();
    stream_.expires_after(kWriteTimeLimit);
    http::async_write(stream_, *answer, [self = shared_from_this(), answer, keepAlive](beast::error_code ec, std::size_t) {
      if (!ec && keepAlive) self->read();
      else self->close();
    });
  }

  void close() {
    beast::error_code ignored;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    stream_.close();
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_{kRequestHeaderLimit};
  std::optional<http::request_parser<http::empty_body>> parser_;
  std::shared_ptr<Handler> handler_;
};

}  // namespace

Response TextResponse(const Request& request, http::status status, std::string body, const char* contentType) {
  Response response{status, request.version() ? request.version() : 11};
  response.set(http::field::server, "kestrova-exporter");
  response.set(http::field::content_type, contentType);
  response.body() = std::move(body);
  return response;
}

HttpServer::HttpServer(asio::io_context& io, const asio::ip::tcp::endpoint& endpoint, Handler handler)
    : io_(io), acceptor_(io), retry_(io), handler_(std::make_shared<Handler>(std::move(handler))) {
  acceptor_.open(endpoint.protocol());
  acceptor_.set_option(asio::socket_base::reuse_address(true));
  acceptor_.bind(endpoint);
  acceptor_.listen(asio::socket_base::max_listen_connections);
  accept();
}

void HttpServer::accept() {
  acceptor_.async_accept(io_, [this](beast::error_code ec, asio::ip::tcp::socket socket) {
    if (!ec) {
      std::make_shared<Session>(std::move(socket), handler_)->read();
      accept();
      return;
    }
    // Out of descriptors: the clients wait in the backlog; try again a little later, not at once.
    retry_.expires_after(std::chrono::milliseconds(100));
    retry_.async_wait([this](beast::error_code) { accept(); });
  });
}

}  // namespace kestrova::exporter
