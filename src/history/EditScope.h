#pragma once
#include <string>

namespace jov {

// One command's writes as one undoable step of the edit history.
//
// Every byte a command writes into a map goes through BinaryFile, and BinaryFile
// hands each write to the history before it reaches the file (the before-bytes
// are committed first: write-ahead). An EditScope names the command those writes
// belong to; it is opened by whoever runs the command (the editor's command
// dispatch, a jov-cli subcommand), never by the core operation itself:
//
//   jov::EditScope scope("Direct Inject weap:weapons\\pistol\\pistol");
//   DirectInjectTag(...);   // writes through map.File() as always
//   scope.Commit();         // the step is complete
//
// A scope left without Commit() (an exception ended the command) restores at once
// every byte its writes changed, newest first, and drops the step: the map is as it
// was. Only when that restore fails too does the step stay incomplete, to be
// recovered the next time the map is opened. Writes made outside any scope are
// recorded as steps of their own labelled "Edit".
//
// Scopes do not nest: a scope opened inside another joins the outer one.
class EditScope {
 public:
  explicit EditScope(std::string label);
  ~EditScope();
  EditScope(const EditScope&) = delete;
  EditScope& operator=(const EditScope&) = delete;

  void Commit();

 private:
  bool m_outer = false;
  bool m_committed = false;
};

}  // namespace jov
