// quavril-presetc SOURCE OUTPUT: compiles a readable preset source into a preset file with
// the program's own writer. Used by the build for the preset files shipped with the program.
#include "files/PresetFile.h"
#include "resources/presetc/PresetSource.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quavril-presetc SOURCE OUTPUT.qvl\n";
        return 2;
    }
    const std::string source = argv[1];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << "quavril-presetc: cannot open " << source << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    quavril::PresetBank bank;
    std::string error;
    if (!quavril::PresetSource::Parse(text.str(), bank, error)) {
        std::cerr << "quavril-presetc: " << source << ": " << error << "\n";
        return 1;
    }
    const quavril::PresetFileResult saved = quavril::SavePresetFile(argv[2], bank);
    if (!saved) {
        std::cerr << "quavril-presetc: " << saved.Error << "\n";
        return 1;
    }
    return 0;
}
