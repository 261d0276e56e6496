// The sample programs' command-line parser through its C functions: declarations of
// options and flags with arbitrary names, short characters and descriptions, then an
// argument vector made of those options (every form: --name=value, --name value,
// -cvalue, -c value, clusters of short flags), words that are no options, and "--"
// followed by anything. The results must match what the vector said. Inputs that the
// parser answers by ending the process (a faulty declaration, an unknown option, -h)
// are not built: those exits are the documented behaviour.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "VelmorArgParserFunctions.h"

namespace {

struct Declared {
    std::string name;
    char shortName = 0;
    bool isOption = false;
    bool given = false;
    std::string value;  // the last value given (options)
};

bool usableShort(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != ':' && c != ';' && c != '-' && c != '?' && c != 'h';
}

void declare(FuzzInput& in, std::vector<Declared>& declared) {
    std::set<std::string> names{"help"};
    std::set<char> shorts;
    const int count = in.byte() % 8;
    for (int i = 0; i < count; ++i) {
        Declared d;
        d.isOption = (in.byte() & 1) != 0;
        d.name = in.cText(12);
        const char c = static_cast<char>(in.byte());
        const std::string description = in.cText(16);
        if (d.name.empty() || d.name.find('=') != std::string::npos || names.count(d.name) != 0) continue;
        d.shortName = usableShort(c) && shorts.count(c) == 0 ? c : 0;
        names.insert(d.name);
        if (d.shortName != 0) shorts.insert(d.shortName);
        if (d.isOption) {
            VelmorArgParserAddOption(d.name.c_str(), d.shortName, description.c_str(), 1);
        } else {
            VelmorArgParserAddFlag(d.name.c_str(), d.shortName, description.c_str());
        }
        declared.push_back(d);
    }
}

// Appends one argument (or two) to args and notes its effect in declared.
void addArgument(FuzzInput& in, std::vector<Declared>& declared, std::vector<std::string>& args,
                 bool& ended) {
    const int kind = in.byte() % 6;
    if (ended || kind == 0 || declared.empty()) {
        std::string word = in.cText(20);
        // Before "--" a word that starts with '-' would be read as an option.
        if (!ended && word.size() > 1 && word[0] == '-') word[0] = 'w';
        args.push_back(word);
        return;
    }
    if (kind == 5) {
        args.push_back("--");
        ended = true;
        return;
    }
    Declared& d = declared[in.byte() % declared.size()];
    const std::string value = d.isOption ? in.cText(16) : "";
    if (kind == 1 || kind == 2 || d.shortName == 0) {
        if (!d.isOption) {
            args.push_back("--" + d.name);
        } else if (kind == 1) {
            args.push_back("--" + d.name + "=" + value);
        } else {
            args.push_back("--" + d.name);
            args.push_back(value);
        }
    } else if (kind == 3 && d.isOption && !value.empty()) {
        args.push_back(std::string("-") + d.shortName + value);
    } else if (kind == 3 && d.isOption) {
        args.push_back(std::string("-") + d.shortName);
        args.push_back(value);
    } else {
        // A cluster: the short flags, then this one.
        std::string cluster = "-";
        for (Declared& other : declared) {
            if (!other.isOption && other.shortName != 0 && (in.byte() & 1) != 0) {
                cluster += other.shortName;
                other.given = true;
            }
        }
        cluster += d.shortName;
        if (d.isOption) {
            args.push_back(cluster);
            args.push_back(value);
        } else {
            args.push_back(cluster);
        }
    }
    d.given = true;
    d.value = value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    VelmorArgParserInit();
    VelmorArgParserClear();
    std::vector<Declared> declared;
    declare(in, declared);

    std::vector<std::string> args{"program"};
    bool ended = false;
    const int count = in.byte() % 16;
    for (int i = 0; i < count; ++i) addArgument(in, declared, args, ended);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    VelmorArgParserParse(static_cast<int>(args.size()), argv.data());

    for (const Declared& d : declared) {
        if (!d.isOption) {
            FUZZ_CHECK(VelmorArgParserIsFlagSet(d.name.c_str()) == (d.given ? 1 : 0));
            FUZZ_CHECK(VelmorArgParserIsOptionSet(d.name.c_str()) == 0);
            continue;
        }
        FUZZ_CHECK(VelmorArgParserIsOptionSet(d.name.c_str()) == (d.given ? 1 : 0));
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        const size_t room = 1 + in.byte() % sizeof buffer;
        const int got = VelmorArgParserGetOptionValue(d.name.c_str(), buffer, room);
        FUZZ_CHECK(got == (d.given && !d.value.empty() ? 1 : 0));
        if (got == 1) {
            FUZZ_CHECK(d.value.compare(0, room - 1, buffer) == 0);
            FUZZ_CHECK(buffer[room - 1] == '\0');
        } else {
            FUZZ_CHECK(buffer[0] == '#');
        }
        for (size_t i = room; i < sizeof buffer; ++i) FUZZ_CHECK(buffer[i] == '#');
    }
    // A second parse without arguments clears every result.
    VelmorArgParserParse(1, argv.data());
    for (const Declared& d : declared) {
        FUZZ_CHECK(VelmorArgParserIsFlagSet(d.name.c_str()) == 0);
        FUZZ_CHECK(VelmorArgParserIsOptionSet(d.name.c_str()) == 0);
    }
    return 0;
}
