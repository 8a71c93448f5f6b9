#pragma once

#include <functional>
#include <string>

// Runs work in a child process and hands back what it returns, so that a crash or a hang of
// third-party code on malformed input (glslang's HLSL front end has null dereferences on some
// broken shaders) becomes an error instead of taking the host down. The child is a fork of the
// caller: it sees the caller's memory as it was, and its result comes back through a pipe.
// When no child can be started, work runs in the caller.
//
// False, with the reason in sError, when the child died or ran past uTimeoutMs.
bool OrvRunIsolated(const std::function<std::string()>& work, unsigned uTimeoutMs,
                    std::string& sResult, std::string& sError);
