#pragma once

#include <memory>

struct MHD_Daemon;

// A libmicrohttpd daemon, stopped (its threads joined) when let go.
struct StopDaemon {
    void operator()(MHD_Daemon *daemon) const;
};
using DaemonHandle = std::unique_ptr<MHD_Daemon, StopDaemon>;
