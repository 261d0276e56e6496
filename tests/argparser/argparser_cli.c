/* A C11 program over the exported VelmorArgParser functions, run by the argument
 * parser tests as a child process. The first argument names a scenario; the parser
 * then sees the rest of the command line with the scenario name as program name, so
 * getopt_long's diagnostics start with "<scenario>: ". */
#include <stdio.h>
#include <string.h>

#include <corvane/Corvane.h>

static void printOption(const char* name) {
    char value[64];
    int given;
    memset(value, 0, sizeof value);
    given = VelmorArgParserGetOptionValue(name, value, sizeof value);
    printf("%s set=%d value=%d:%s\n", name, VelmorArgParserIsOptionSet(name), given, value);
}

static void printFlag(const char* name) {
    printf("%s set=%d\n", name, VelmorArgParserIsFlagSet(name));
}

static void declareFull(void) {
    VelmorArgParserAddOption("device", 'd', "Board index", 1);
    VelmorArgParserAddOption("timebase", 't', "Time base", 0);
    VelmorArgParserAddOption("name", 0, "Board name", 1);
    VelmorArgParserAddOption("port", 0, "Port number", 1);
    VelmorArgParserAddFlag("verbose", 'v', "More output");
    VelmorArgParserAddFlag("dry-run", 0, "Change nothing");
    VelmorArgParserAddFlag("quiet", 0, "Less output");
}

static void printFull(void) {
    printOption("device");
    printOption("timebase");
    printOption("name");
    printOption("port");
    printFlag("verbose");
    printFlag("dry-run");
    printFlag("quiet");
}

int main(int argc, char** argv) {
    const char* scenario;
    if (argc < 2) {
        fputs("usage: argparser_cli SCENARIO [ARGS...]\n", stderr);
        return 2;
    }
    scenario = argv[1];
    VelmorArgParserInit();

    if (strcmp(scenario, "full") == 0) {
        declareFull();
        VelmorArgParserParse(argc - 1, argv + 1);
        printFull();
    } else if (strcmp(scenario, "help1") == 0) {
        VelmorArgParserAddOption("device", 'd', "Board index", 1);
        VelmorArgParserParse(argc - 1, argv + 1);
        puts("parsed");
    } else if (strcmp(scenario, "hshort") == 0) {
        VelmorArgParserAddFlag("hidden", 'h', "Never reached");
        VelmorArgParserParse(argc - 1, argv + 1);
        puts("parsed");
    } else if (strcmp(scenario, "dup") == 0) {
        VelmorArgParserAddOption("device", 'd', "Board index", 1);
        VelmorArgParserAddFlag("debug", 'd', "Debug output");
        puts("declared");
    } else if (strcmp(scenario, "dup-h") == 0) {
        VelmorArgParserAddOption("device", 'd', "Board index", 1);
        VelmorArgParserParse(argc - 1, argv + 1);
        puts("parsed");
        fflush(stdout);
        VelmorArgParserAddFlag("hidden", 'h', "Hidden");
        puts("declared");
    } else if (strcmp(scenario, "null-name") == 0) {
        VelmorArgParserAddOption(NULL, 'd', "Board index", 1);
        puts("declared");
    } else if (strcmp(scenario, "bad-short") == 0) {
        VelmorArgParserAddFlag("colon", ':', "Colon");
        puts("declared");
    } else if (strcmp(scenario, "values") == 0) {
        /* The buffer rules of VelmorArgParserGetOptionValue. */
        char small[4] = {'x', 'x', 'x', 'x'};
        char untouched[8] = "canary";
        int result;
        VelmorArgParserAddOption("device", 'd', "Board index", 1);
        VelmorArgParserAddOption("empty", 'e', "Empty value", 1);
        VelmorArgParserParse(argc - 1, argv + 1);
        result = VelmorArgParserGetOptionValue("device", small, sizeof small);
        printf("cut=%d:%s len=%u\n", result, small, (unsigned)strlen(small));
        result = VelmorArgParserGetOptionValue("device", untouched, 0);
        printf("size0=%d:%s\n", result, untouched);
        result = VelmorArgParserGetOptionValue("empty", untouched, sizeof untouched);
        printf("empty=%d:%s set=%d\n", result, untouched, VelmorArgParserIsOptionSet("empty"));
        result = VelmorArgParserGetOptionValue("nothing", untouched, sizeof untouched);
        printf("undeclared=%d:%s\n", result, untouched);
        result = VelmorArgParserGetOptionValue(NULL, untouched, sizeof untouched);
        printf("null=%d:%s flag=%d option=%d\n", result, untouched, VelmorArgParserIsFlagSet(NULL),
               VelmorArgParserIsOptionSet(NULL));
        VelmorArgParserClear();
        printf("cleared=%d\n", VelmorArgParserIsOptionSet("device"));
    } else {
        fprintf(stderr, "unknown scenario %s\n", scenario);
        return 2;
    }
    return 0;
}
