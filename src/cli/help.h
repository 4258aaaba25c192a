// The command line's help: one text per command, shown by --help and
// written as the manual page (tibrel-cli --man), so the two never disagree.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tibrel {

// Answers a help request in args (the arguments after the program's name):
// "--help", "-h" or "help" alone or before a command name, "COMMAND --help",
// and "--man". Returns false, printing nothing, when args ask for no help;
// otherwise sets status (0, or 1 for help on an unknown command).
bool AnswerHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, int& status);

// The manual page in roff.
void WriteManualPage(std::ostream& out);

}  // namespace tibrel
