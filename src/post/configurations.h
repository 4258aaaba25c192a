// Configurations: named sets of an operation dialog's fields, kept as the
// texts the user typed in Configurations.cfg (one section per name). All
// operation dialogs share the file and the names; each reads and writes its
// own keys. "LAST" holds the fields of the operation that ran last.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tibrel {

class IniFile;

enum class OperationDialog { Pocket, Contour, Drill, PcBoard, Prototype };

inline constexpr const char* LastConfiguration = "LAST";

struct ConfigurationKey {
  const char* Key;
  const char* Missing;  // what a missing key gives, in the saved spelling
};

// The keys a dialog reads and writes, in the order of the file.
const std::vector<ConfigurationKey>& ConfigurationKeys(OperationDialog dialog);

// A dialog's fields by key. Choice keys hold their saved spelling:
// "FinishPass" and "Linear" "True"/"False", "Finish" "Islands"/
// "Boundaries"/"Both", "Entry"/"Exit" "None"/"Arc"/"Perpendicular"/
// "Tangent", "Compensation" "None"/"Right"/"Left"/"Cutout".
using ConfigurationFields = std::map<std::string, std::string>;

// The fields a new dialog shows before any configuration is loaded.
ConfigurationFields DefaultConfigurationFields(OperationDialog dialog);

// Turns the text of a choice key into the choice it selects (its saved
// spelling): "Entry" of "none" selects "Tangent", since only the exact
// words count. Other keys are returned as they are.
std::string ConfigurationChoice(const std::string& key, const std::string& text);

// Whether a configuration name may be loaded, saved or deleted ("None" and
// the empty name may not).
bool UsableConfigurationName(const std::string& name);

// Section names of the file, in order.
std::vector<std::string> ConfigurationNames(const IniFile& file);

// Reads the dialog's keys of section name into fields (a missing key, or
// section, gives its default; choices take their saved spelling). False,
// changing nothing, for an unusable name.
bool LoadConfiguration(const IniFile& file, const std::string& name, OperationDialog dialog,
                       ConfigurationFields& fields);
// Writes the dialog's keys from fields into section name (missing fields
// as their defaults); keys of other dialogs in the section stay. The
// board dialog always writes "Compensation" as "Cutout". False, writing
// nothing, for an unusable name.
bool SaveConfiguration(IniFile& file, const std::string& name, OperationDialog dialog,
                       const ConfigurationFields& fields);
// Removes section name; false for an unusable name.
bool DeleteConfiguration(IniFile& file, const std::string& name);

// The same on the file at path: a missing file loads nothing and is created
// by a save. Writes are atomic. Throw std::runtime_error naming the file.
bool LoadConfigurationFile(const std::string& path, const std::string& name, OperationDialog dialog,
                           ConfigurationFields& fields);
bool SaveConfigurationFile(const std::string& path, const std::string& name, OperationDialog dialog,
                           const ConfigurationFields& fields);
bool DeleteConfigurationFile(const std::string& path, const std::string& name);

}  // namespace tibrel
