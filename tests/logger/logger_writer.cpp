// Child process of the logger tests: appends numbered lines through its own Logger so that
// tests can check that processes sharing a log file never cut or lose each other's lines.
//
// Usage: corvane_logger_writer TAG COUNT PAYLOAD_BYTES MAX_FILE_SIZE MAX_BACKUPS
// Each line's message is "TAG INDEX " followed by PAYLOAD_BYTES copies of TAG's first letter.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "Logger.h"

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s TAG COUNT PAYLOAD_BYTES MAX_FILE_SIZE MAX_BACKUPS\n", argv[0]);
        return 2;
    }
    const std::string tag = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    const long payload = std::strtol(argv[3], nullptr, 10);
    const unsigned long limit = std::strtoul(argv[4], nullptr, 10);
    const int backups = static_cast<int>(std::strtol(argv[5], nullptr, 10));
    try {
        velmor::foundation::Logger logger("velmor", "velmor.log", limit, backups);
        const std::string fill(static_cast<size_t>(payload), tag.at(0));
        for (long i = 0; i < count; ++i) {
            logger.error(tag + " " + std::to_string(i) + " " + fill);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", tag.c_str(), e.what());
        return 1;
    }
    return 0;
}
