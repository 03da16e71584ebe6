// SimLink in the native build: the simulated adapter in this process.
#include <gtest/gtest.h>

#include "sim/sim_adapter.h"
#include "tests/support/sim_link.h"

struct SimLink::Impl {
    kx4xx::sim::SimAdapter sim;
};

SimLink::SimLink() : impl(std::make_unique<Impl>())
{
    const std::error_code error = impl->sim.Start();
    if (error)
        throw std::system_error(error, "simulated adapter");
}

SimLink::~SimLink() = default;

std::string SimLink::PortName() const
{
    return impl->sim.SlavePath();
}

std::string SimLink::Control(const std::string& line)
{
    return impl->sim.Control(line);
}
