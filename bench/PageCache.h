#pragma once
// The page cache before a cold round: the machine's writing let finish, then the corpus let go.
// Linux only; no root needed.
#include <string>
#include <vector>

// Syncs, then waits until the machine has little left to write (dirty or under write-back)
// or a while has passed, so that a cold round does not share the disk with a corpus just
// written. Returns the KiB still left to write.
long settleWriteBack();

// Drops the files from the page cache and returns the share of their pages, in percent, that
// stayed cached: pages not yet written back stay. No fsync of each file: on a clean file it
// still has the disk flush its own cache, a storm of flushes before every round.
double dropFromCache(const std::string& folder, const std::vector<std::string>& names);
