// The window's tests: every test class in turn, or the one named first on the command line
// (further arguments go to Qt Test). "--screenshots FOLDER" instead saves pictures of the
// windows for a person to look at.
#include <QApplication>
#include <cstring>
#include <functional>
#include <vector>

int runOptionsTest(int argc, char** argv);
int runAboutTest(int argc, char** argv);
int runMainWindowTest(int argc, char** argv);
int runConversionTest(int argc, char** argv);
int saveScreenshots(const char* folder);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--screenshots") == 0) return saveScreenshots(argv[2]);
    struct Suite {
        const char* name;
        int (*run)(int, char**);
    };
    const Suite suites[] = {{"OptionsTest", runOptionsTest},
                            {"AboutTest", runAboutTest},
                            {"MainWindowTest", runMainWindowTest},
                            {"ConversionTest", runConversionTest}};
    std::vector<char*> args(argv, argv + argc);
    int failures = 0;
    for (const Suite& s : suites) {
        if (argc > 1 && argv[1][0] != '-') {
            if (std::strcmp(argv[1], s.name) != 0) continue;
            std::vector<char*> rest{argv[0]};
            rest.insert(rest.end(), argv + 2, argv + argc);
            return s.run(static_cast<int>(rest.size()), rest.data());
        }
        failures += s.run(static_cast<int>(args.size()), args.data());
    }
    return failures == 0 ? 0 : 1;
}
