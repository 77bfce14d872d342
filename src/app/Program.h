#pragma once

namespace app {

// The whole program: reads the command line, builds the services, runs start-up and the
// event loop. Returns the exit code.
int runQuorvane(int argc, char** argv);

}  // namespace app
