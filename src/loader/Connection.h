#pragma once

#include "loader/FirmwareFile.h"
#include "loader/LoaderView.h"
#include "loader/PortOperations.h"
#include "loader/SharedValues.h"
#include "loader/TickSource.h"

namespace loader {

// One connection: from a press of Connect until Disconnect. run() opens the port with
// retries, awaits the unit's boot announcement and then runs the state machine that
// carries out the window's requests, handing the window one pass of events per iteration.
// It returns when StopRequested is set, with the port closed.
class Connection {
public:
    Connection(PortOperations &port, LoaderView &view, TickSource &ticks, FileSource &files,
               SharedValues &shared);
    void run();
};

} // namespace loader
