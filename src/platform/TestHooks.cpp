#include "platform/TestHooks.h"

namespace quillet::platform {

namespace {
// A plain pointer: tests own their hooks, and nothing is destroyed at exit.
TestHooks* g_hooks = nullptr;
} // namespace

void setTestHooks(TestHooks* hooks)
{
    g_hooks = hooks;
}

TestHooks* testHooks()
{
    return g_hooks;
}

} // namespace quillet::platform
