#pragma once
// DLLs that Windows does not always load from its system folder (GDI+, the URL
// moniker, trust and crypto libraries) are imported delay-loaded: the
// loader resolves them on their first call instead of before the program
// starts, from wherever the default search finds them first. The hook
// installed here sends every such load through LoadSystemLibrary instead.
namespace Veneer {

// Call once, first thing, before any delay-loaded function runs. Idempotent.
void InstallSystemDelayLoadHook();
// How many delay loads went through the hook (for tests).
unsigned DelayLoadsThroughHook();

}  // namespace Veneer
