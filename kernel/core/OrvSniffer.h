#pragma once

#include "OrvExport.h"

#include <string>

// The library's trace file: an indented log of entered blocks, messages and values.
// It is opened when the library loads ($ORV_SNIFFER, else sniffer.txt in $TMPDIR or /tmp),
// truncated, and flushed after every entry. All calls come from one thread.
ORV_API void SnifferEnter(const char* pName);
ORV_API void SnifferLeave();
ORV_API void SnifferMessage(const char* pText);
ORV_API void SnifferValue(const char* pName, double value);

// The path of the log file this process writes.
ORV_API std::string SnifferGetPath();

// Opens a block for the lifetime of a scope, so every return path closes it.
class ORV_API ORV_SnifferBlock
{
public:
    explicit ORV_SnifferBlock(const char* pName) { SnifferEnter(pName); }
    ~ORV_SnifferBlock() { SnifferLeave(); }
    ORV_SnifferBlock(const ORV_SnifferBlock&) = delete;
    ORV_SnifferBlock& operator=(const ORV_SnifferBlock&) = delete;
};
