// Reading the command line's arguments.
#pragma once

#include <string>
#include <vector>

#include "job/job.h"
#include "post/configurations.h"

namespace tibrel::cli {

// Numbers separated by commas; false when any is not a number.
bool ParseNumbers(const std::string& text, std::vector<double>& out);

// --post NAME and --posts FILE: loads the post named (else the one the
// options name) from FILE (else Posts.cfg beside the program) when either
// is given. False, with the message on stderr, when it cannot be loaded.
// A dialog's fields as the command line gives them: the configuration
// named (from Configurations.cfg beside the program), then each --set
// KEY=VALUE. False, with the message on stderr, for a file that cannot be
// read or a key the dialog does not have.
bool FieldsFromArguments(OperationDialog dialog, const std::string& config, const std::vector<std::string>& sets,
                         ConfigurationFields& fields);

bool LoadChosenPost(Job& job, const std::string& postName, const std::string& postsFile);

// --size WxH: a picture of 1 to 16384 pixels each way; false otherwise.
bool ParseSize(const std::string& text, int& width, int& height);

}  // namespace tibrel::cli
