#include "Program.h"

int main(int argc, char** argv) { return app::runQuorvane(argc, argv); }
