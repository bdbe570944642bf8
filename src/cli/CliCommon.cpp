#include "cli/CliCommon.h"

#include <cstdio>
#include <iostream>

#include "check/MapKind.h"

namespace jov::cli {

namespace {

std::vector<Registrar>& Registrars() {
  static std::vector<Registrar> registrars;
  return registrars;
}

int& Status() {
  static int status = kDone;
  return status;
}

bool IsDecimal(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

Registration::Registration(Registrar registrar) { Registrars().push_back(std::move(registrar)); }

void RegisterAll(CLI::App& app) {
  for (const Registrar& registrar : Registrars()) registrar(app);
}

void SetExitStatus(int status) { Status() = status; }
int ExitStatus() { return Status(); }

std::unique_ptr<OpenedMap> OpenMap(const std::string& path) {
  RequireMapFile(path, path);
  auto opened = std::make_unique<OpenedMap>();
  opened->map.OpenPath(opened->tree, path);
  return opened;
}

int ResolveTag(const CMapFile& map, const std::string& tag) {
  if (IsDecimal(tag)) {
    const int index = std::stoi(tag);
    if (index < map.m_nTagCount) return index;
    throw UsageError("TAG " + tag + ": the map has " + std::to_string(map.m_nTagCount) + " tags");
  }
  const auto colon = tag.find(':');
  if (colon != std::string::npos) {
    const std::string cls = tag.substr(0, colon);
    const std::string name = tag.substr(colon + 1);
    for (int i = 0; i < map.m_nTagCount; ++i)
      if (map.m_tags[static_cast<std::size_t>(i)].strClass1 == cls && map.m_tags[static_cast<std::size_t>(i)].strName == name)
        return i;
  }
  throw UsageError("TAG " + tag + " picks no tag of the map");
}

void SelectTag(OpenedMap& opened, int index) { opened.tree.Select(opened.map.m_tags[static_cast<std::size_t>(index)].hTreeItem); }

std::optional<std::string> ConsoleDialogs::PickOpenFile(const FileDialogOptions&) { return openPath; }
std::optional<std::string> ConsoleDialogs::PickSaveFile(const FileDialogOptions&) { return savePath; }

void ConsoleDialogs::ShowMessage(const std::string& text) {
  std::cout << text << '\n' << std::flush;
}

bool ConsoleDialogs::AskYesNo(const std::string& text) {
  std::cout << text << '\n' << std::flush;
  if (!yes) declined = true;
  return yes;
}

void ConsoleDialogs::ShowFileError(const std::string& text) { std::cerr << text << '\n'; }
void ConsoleDialogs::ShowValueError(const std::string& text) { std::cerr << text << '\n'; }

}  // namespace jov::cli
