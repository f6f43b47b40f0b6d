// Writes the HTML report of a map (or of the changes between two maps) to a file, as
// `tallyfold-report --format html --device map` writes it, for the test that opens it in a
// browser: tallyfold_html_page OUT.html MAP [OLD-MAP]

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "report_command.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: tallyfold_html_page OUT.html MAP [OLD-MAP]\n";
        return 2;
    }
    std::vector<std::string> args = {"--format", "html", "--device", "map"};
    if (argc == 4) {
        args.insert(args.end(), {"--diff", argv[3]});
    }
    args.push_back(argv[2]);
    std::string page;
    std::string err;
    const int status = RunReportCommand(args, stdin, page, err);
    std::cerr << err;
    if (status != kExitSuccess && status != kExitDisagreement) {
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << page;
    if (!out) {
        std::cerr << "tallyfold_html_page: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
