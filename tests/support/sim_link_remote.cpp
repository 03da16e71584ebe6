// SimLink in the Windows build: the simulated adapter is a native process
// started by the test script, steered over its loopback control socket.
#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>

#include <cstdlib>
#include <istream>
#include <stdexcept>

#include "tests/support/sim_link.h"

namespace {

std::string RequiredEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string(name) + " is not set: run the tests through scripts/wine-tests.sh");
    return value;
}

}  // namespace

struct SimLink::Impl {
    asio::io_context context;
    asio::ip::tcp::socket socket{context};
    asio::streambuf input;
    std::string portName;
};

SimLink::SimLink() : impl(std::make_unique<Impl>())
{
    impl->portName = RequiredEnv("KX4XX_SIM_COM");
    const std::string control = RequiredEnv("KX4XX_SIM_CONTROL");
    const size_t colon = control.rfind(':');
    asio::ip::tcp::resolver resolver(impl->context);
    asio::connect(impl->socket, resolver.resolve(control.substr(0, colon), control.substr(colon + 1)));
    // Every test starts from a freshly plugged-in adapter with defaults.
    if (Control("pty").rfind("ok", 0) != 0)
        Control("reopen");
    Control("reset");
}

SimLink::~SimLink() = default;

std::string SimLink::PortName() const
{
    return impl->portName;
}

std::string SimLink::Control(const std::string& line)
{
    asio::write(impl->socket, asio::buffer(line + "\n"));
    asio::read_until(impl->socket, impl->input, '\n');
    std::istream stream(&impl->input);
    std::string reply;
    std::getline(stream, reply);
    if (!reply.empty() && reply.back() == '\r')
        reply.pop_back();
    return reply;
}
