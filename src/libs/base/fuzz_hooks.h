// Fuzzing builds only: a hook that `quit` calls after printing its message,
// so that a harness can take control back instead of ending the process, and
// the release of the arenas that otherwise live as long as the process.
#ifndef LEXKIT_FUZZ_HOOKS_H
#define LEXKIT_FUZZ_HOOKS_H

#ifdef LEXKIT_FUZZ_HOOKS
namespace lexkit {

// Called with the exit code; it must not return (it throws).
using QuitHook = void (*)(int rc);
extern QuitHook quit_hook;

// Frees the nodes and words of every word count and vocabulary index table.
void ResetNodeArena();

}  // namespace lexkit
#endif

#endif  // LEXKIT_FUZZ_HOOKS_H
