// Command-line entry point of the core build.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("Usage: calculator-ka-vm [--help] [--version]");
            return 0;
        }
    }
    std::puts("Calculator Ka-Vm " KAVM_VERSION_TEXT);
    return 0;
}
