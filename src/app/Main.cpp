#include <clocale>
#include <string>
#include <vector>

#include "app/InstallerMain.h"
#include "utils/Text.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Utils::FromAnsi(argv[i]));
    return InstallerMain(arguments);
}
