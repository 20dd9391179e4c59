#pragma once

// The process's limit of open descriptors, raised only as far as the job pool needs: a run that
// opens parallel lines at once needs a few descriptors each, beside those of the store, the
// standard streams and Qt. Child processes (hooks) start with the limit the program had.
namespace fleet {

inline constexpr int kDescriptorsPerLine = 2; // the line and what its log may hold open
inline constexpr int kDescriptorsBesideLines = 64;

int descriptorsNeeded(int parallel);

// Raises the soft limit to descriptorsNeeded(parallel) when it is lower, never past the hard
// limit; false when the limit stays below what is needed.
bool raiseDescriptorLimit(int parallel);

// In a child process before its program starts: the soft limit the program started with.
// Async-signal-safe.
void restoreDescriptorLimitInChild();

} // namespace fleet
