#include "history/EditScope.h"

#include "history/History.h"

namespace jov {

EditScope::EditScope(std::string label) : m_outer(History::Instance().OpenScope(label)) {}

EditScope::~EditScope() {
  if (m_outer && !m_committed) History::Instance().CloseScope(false);
}

void EditScope::Commit() {
  if (m_committed) return;
  m_committed = true;
  if (m_outer) History::Instance().CloseScope(true);
}

}  // namespace jov
