#pragma once
#include "engine/InstallHost.h"

namespace gridmoor {

// Shows the wait cursor for the life of the object, restoring it on every way out.
class WaitCursor {
 public:
  explicit WaitCursor(InstallHost& host) : m_host(host) { m_host.BeginWaitCursor(); }
  ~WaitCursor() { m_host.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  InstallHost& m_host;  // not owned
};

}  // namespace gridmoor
