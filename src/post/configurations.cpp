#include "post/configurations.h"

#include "core/files.h"
#include "core/ini.h"

namespace tibrel {

namespace {

// Which dialogs read a key: Pocket, Contour, Drill, PC Board, Prototype.
struct KeyUse {
  ConfigurationKey Key;
  bool In[5];
};

const KeyUse AllKeys[] = {
    {{"RapidHeight", "1"}, {1, 1, 1, 1, 1}},      {{"StartAt", "100"}, {1, 1, 1, 1, 1}},
    {{"Increment", "5"}, {1, 1, 1, 1, 1}},        {{"Coolant", "Off"}, {1, 1, 1, 0, 1}},
    {{"RoughTool", "0"}, {1, 1, 1, 1, 1}},        {{"RoughName", "None"}, {1, 1, 1, 1, 1}},
    {{"RoughDiameter", "1"}, {1, 1, 1, 1, 1}},    {{"RoughStepXY", ".5"}, {1, 0, 0, 0, 1}},
    {{"RoughStepZ", "1"}, {1, 1, 0, 0, 1}},       {{"StockToLeave", "0"}, {1, 1, 0, 0, 1}},
    {{"RoughRPM", "0"}, {1, 1, 1, 1, 1}},         {{"RoughFeed", "0"}, {1, 1, 0, 1, 1}},
    {{"RoughPlunge", "0"}, {1, 1, 1, 1, 1}},      {{"RoughAngle", "0"}, {0, 0, 0, 0, 1}},
    {{"RoughType", "0"}, {0, 0, 0, 0, 1}},        {{"FinishTool", "0"}, {1, 1, 0, 0, 1}},
    {{"FinishName", "None"}, {1, 1, 0, 0, 1}},    {{"FinishDiameter", "1"}, {1, 1, 0, 0, 1}},
    {{"FinishStepXY", ".5"}, {1, 0, 0, 0, 1}},    {{"FinishStepZ", "1"}, {1, 1, 0, 0, 1}},
    {{"FinishRPM", "0"}, {1, 1, 0, 0, 1}},        {{"FinishFeed", "0"}, {1, 1, 0, 0, 1}},
    {{"FinishAngle", "0"}, {0, 0, 0, 0, 1}},      {{"FinishType", "0"}, {0, 0, 0, 0, 1}},
    {{"FinishPass", "False"}, {1, 1, 0, 0, 0}},   {{"Finish", "Both"}, {1, 0, 0, 0, 0}},
    {{"Entry", "Tangent"}, {1, 1, 0, 0, 0}},      {{"EntryLength", "0"}, {1, 1, 0, 0, 0}},
    {{"Exit", "Tangent"}, {1, 1, 0, 0, 0}},       {{"ExitLength", "0"}, {1, 1, 0, 0, 0}},
    {{"Compensation", "None"}, {0, 1, 0, 0, 0}},  {{"Linear", "False"}, {0, 0, 1, 0, 0}},
};

std::vector<ConfigurationKey> KeysOf(OperationDialog d) {
  std::vector<ConfigurationKey> keys;
  for (const auto& k : AllKeys)
    if (k.In[static_cast<int>(d)]) keys.push_back(k.Key);
  return keys;
}

}  // namespace

const std::vector<ConfigurationKey>& ConfigurationKeys(OperationDialog dialog) {
  static const std::vector<ConfigurationKey> keys[5] = {
      KeysOf(OperationDialog::Pocket), KeysOf(OperationDialog::Contour), KeysOf(OperationDialog::Drill),
      KeysOf(OperationDialog::PcBoard), KeysOf(OperationDialog::Prototype)};
  return keys[static_cast<int>(dialog)];
}

ConfigurationFields DefaultConfigurationFields(OperationDialog dialog) {
  ConfigurationFields f;
  for (const auto& k : ConfigurationKeys(dialog)) f[k.Key] = k.Missing;
  return f;
}

std::string ConfigurationChoice(const std::string& key, const std::string& text) {
  if (key == "FinishPass" || key == "Linear") return text == "True" ? "True" : "False";
  if (key == "Finish") return text == "Islands" || text == "Boundaries" ? text : "Both";
  if (key == "Entry" || key == "Exit")
    return text == "None" || text == "Arc" || text == "Perpendicular" ? text : "Tangent";
  if (key == "Compensation") return text == "None" || text == "Right" || text == "Left" ? text : "Cutout";
  return text;
}

bool UsableConfigurationName(const std::string& name) { return !name.empty() && name != "None"; }

std::vector<std::string> ConfigurationNames(const IniFile& file) { return file.Sections(); }

bool LoadConfiguration(const IniFile& file, const std::string& name, OperationDialog dialog,
                       ConfigurationFields& fields) {
  if (!UsableConfigurationName(name)) return false;
  for (const auto& k : ConfigurationKeys(dialog))
    fields[k.Key] = ConfigurationChoice(k.Key, file.ReadString(name, k.Key, k.Missing));
  return true;
}

bool SaveConfiguration(IniFile& file, const std::string& name, OperationDialog dialog,
                       const ConfigurationFields& fields) {
  if (!UsableConfigurationName(name)) return false;
  for (const auto& k : ConfigurationKeys(dialog)) {
    const auto it = fields.find(k.Key);
    file.Write(name, k.Key, ConfigurationChoice(k.Key, it == fields.end() ? k.Missing : it->second));
  }
  if (dialog == OperationDialog::PcBoard) file.Write(name, "Compensation", "Cutout");
  return true;
}

bool DeleteConfiguration(IniFile& file, const std::string& name) {
  if (!UsableConfigurationName(name)) return false;
  file.EraseSection(name);
  return true;
}

bool LoadConfigurationFile(const std::string& path, const std::string& name, OperationDialog dialog,
                           ConfigurationFields& fields) {
  if (!UsableConfigurationName(name) || !FileExists(path)) return false;
  return LoadConfiguration(IniFile::Load(path), name, dialog, fields);
}

bool SaveConfigurationFile(const std::string& path, const std::string& name, OperationDialog dialog,
                           const ConfigurationFields& fields) {
  if (!UsableConfigurationName(name)) return false;
  IniFile file = IniFile::Load(path);
  SaveConfiguration(file, name, dialog, fields);
  file.Save(path);
  return true;
}

bool DeleteConfigurationFile(const std::string& path, const std::string& name) {
  if (!UsableConfigurationName(name) || !FileExists(path)) return false;
  IniFile file = IniFile::Load(path);
  DeleteConfiguration(file, name);
  file.Save(path);
  return true;
}

}  // namespace tibrel
