// novra-social-service: the local social service on 127.0.0.1 for tests and the demo.
//   novra-social-service [--port PORT] [--seed FILE]
// Prints its origin ("http://127.0.0.1:PORT") on one line once it listens, then serves until it
// receives SIGINT or SIGTERM.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/http/LocalServer.h"
#include "tools/social-service/SocialService.h"

namespace {

int usage() {
    std::cerr << "использование: novra-social-service [--port ПОРТ] [--seed ФАЙЛ]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string seed;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if ((argument == "--port" || argument == "--seed") && i + 1 < argc) {
            std::string value = argv[++i];
            if (argument == "--seed") {
                seed = value;
                continue;
            }
            size_t used = 0;
            try {
                port = std::stoi(value, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (value.empty() || used != value.size() || port < 0 || port > 65535) return usage();
        } else {
            return usage();
        }
    }

    novra::tools::StopSignals stopSignals;

    novra::tools::SocialService service;
    try {
        if (!seed.empty()) {
            std::ifstream file(seed, std::ios::binary);
            if (!file) throw std::runtime_error("Не удалось открыть " + seed + ": " + std::strerror(errno));
            std::ostringstream text;
            text << file.rdbuf();
            service.loadSeed(text.str());
        }
        service.start(port);
    } catch (const std::exception& e) {
        std::cerr << "novra-social-service: " << e.what() << "\n";
        return 1;
    }
    std::cout << service.origin() << std::endl;

    stopSignals.wait();
    service.stop();
    return 0;
}
