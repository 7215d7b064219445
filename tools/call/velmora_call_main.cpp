// velmora-call: creates one automation object by ProgID and runs steps on it.
#include "tools/call/call_runner.h"
#include "tools/call/call_script.h"

#include "platform/automation/apartment.h"

#include <iostream>

namespace {

const char kUsage[] = "Usage: velmora-call [--dump FILE] PROGID STEP...\n"
                      "\n"
                      "Creates one object of PROGID (starting its server when needed) and runs the steps\n"
                      "on it in order, in one process. Steps:\n"
                      "  get MEMBER               read a property\n"
                      "  put MEMBER VALUE         write a property\n"
                      "  call MEMBER [ARG...]     call a method; its arguments run to the next step word\n"
                      "  wait-true MEMBER MS      read MEMBER until it is true, for at most MS milliseconds\n"
                      "  sleep MS                 wait MS milliseconds\n"
                      "  release                  release the object (later steps then fail)\n"
                      "\n"
                      "Values: i2:-1  i4:5  i8:7  r8:1.5  bool:true  str:text, or untyped: an integer is\n"
                      "i4, a decimal r8, true/false bool, anything else a string (str:get passes the\n"
                      "word get as an argument).\n"
                      "\n"
                      "Each step prints one line, 'MEMBER = VALUE' (put prints the value written, call its\n"
                      "result, sleep 'sleep = MS', release 'release = ok'); numbers in the C locale,\n"
                      "booleans as true/false, arrays as '[640x480x3 i4 min=0 max=255 sum=...]'. A failing\n"
                      "step prints 'MEMBER: error 0x80020009 \"Description\"' and ends the run.\n"
                      "\n"
                      "Options:\n"
                      "  --dump FILE   at the end, write the last array read, element by element in\n"
                      "                storage order, as little-endian 32-bit integers\n"
                      "  --help        this text\n"
                      "\n"
                      "Exit status: 0 when every step succeeded, 1 when one failed, 2 for usage errors.\n";

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const velmora::tools::ParseResult parsed = velmora::tools::parseCommandLine(arguments);
    if (parsed.help) {
        std::cout << kUsage;
        return 0;
    }
    if (!parsed.script) {
        std::cerr << "velmora-call: " << parsed.error << "\n" << kUsage;
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const int status = velmora::tools::CallRunner(std::cout, std::cerr).run(*parsed.script);
    CoUninitialize();
    return status;
}
