#include "termlink/Listening.h"

#include "termlink/Limits.h"
#include "termlink/Report.h"

namespace termlink {

namespace {

// 127.0.0.1:48731, [::1]:48731
std::string endpointText(const asio::ip::tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    const std::string text = address.to_string();
    return (address.is_v6() ? "[" + text + "]" : text) + ":" + std::to_string(endpoint.port());
}

}  // namespace

bool listenOn(asio::ip::tcp::acceptor& acceptor, const std::string& address, uint16_t port,
              std::string_view what) {
    const std::string prefix(what);
    boost::system::error_code ec;
    const auto ip = asio::ip::make_address(address, ec);
    if (ec) {
        report(prefix + "cannot listen on '" + address + "': " + ec.message());
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(ip, port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        report(prefix + "cannot listen on " + endpointText(endpoint) + ": " + ec.message());
        boost::system::error_code ignored;
        acceptor.close(ignored);
        return false;
    }
    report(prefix + "listening on " + endpointText(acceptor.local_endpoint(ec)));
    return true;
}

void AcceptLoop::run() {
    acceptor.async_accept(
        [this](const boost::system::error_code& ec, asio::ip::tcp::socket socket) {
            if (!acceptor.is_open())
                return;
            if (ec) {
                retry.expires_after(kAcceptRetryDelay);
                retry.async_wait([this](const boost::system::error_code& timerError) {
                    if (!timerError && acceptor.is_open())
                        run();
                });
                return;
            }
            boost::system::error_code peerError;
            const auto peer = socket.remote_endpoint(peerError);
            if (peerError) {
                // A peer already gone is not a refusal.
                socket.close(peerError);
            } else if (!admit(peer.address())) {
                refused(std::move(socket));
            } else {
                accepted(std::move(socket));
            }
            run();
        });
}

}  // namespace termlink
