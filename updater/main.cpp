// UpdateRelay: finishes a launcher update once the launcher has quit (see Relay.h).
#include <iostream>
#include <string>
#include <vector>

#include "updater/Relay.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    return novra::relay::run(arguments, std::cerr);
}
