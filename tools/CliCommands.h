#pragma once
// Sub-commands of quavril-cli. Each takes the arguments after its name and returns the
// process exit status; errors are one line on stderr.
#include <string>
#include <vector>

namespace quavril::cli {

int RunRender(const std::vector<std::string>& args);
int RunPlay(const std::vector<std::string>& args);
int RunDevices(const std::vector<std::string>& args);
int RunSend(const std::vector<std::string>& args);
int RunGenerators(const std::vector<std::string>& args);

// Prints "quavril-cli: <message>" on stderr and returns the failure status.
int Fail(const std::string& message);

} // namespace quavril::cli
