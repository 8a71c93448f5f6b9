#pragma once

// The device state each draw of a recorded call log sees. Where the order in which code sets
// its states is its own business, a test checks what is in force at a draw (or at the end)
// rather than the position of each call, so that reordering or regrouping the calls does
// not break a test whose pictures would not change.
#include "RecordingDevice.h"

#include <cstddef>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct SOrvDrawState
{
    bool m_bDrawn = false; // false: the log holds fewer draws than asked for
    std::string m_sDraw;   // the draw call itself: "DrawPrimitive 1 0 10000"
    // The last value each setting got before the draw, by the call's name and the arguments
    // that say which setting it is: "SetRenderState D3DRS_ZENABLE" -> "1",
    // "SetSamplerState 0 D3DSAMP_MAGFILTER" -> "2", "SetTexture 0" -> "texture1", "SetFVF" -> "2".
    std::map<std::string, std::string> m_values;

    // The value in force ("" for a setting the log never made).
    std::string Value(const std::string& sKey) const
    {
        auto it = m_values.find(sKey);
        return it == m_values.end() ? std::string() : it->second;
    }
    // The settings whose key starts with sPrefix ("SetRenderState"), as "key value" lines.
    std::vector<std::string> Values(const std::string& sPrefix) const
    {
        std::vector<std::string> asLines;
        for (const auto& [sKey, sValue] : m_values)
            if (sKey.rfind(sPrefix, 0) == 0)
                asLines.push_back(sKey + " " + sValue);
        return asLines;
    }
};

namespace orv::test
{
inline bool IsDrawCall(const std::string& sName)
{
    return sName == "DrawPrimitive" || sName == "DrawIndexedPrimitive" ||
           sName == "DrawPrimitiveUP" || sName == "DrawIndexedPrimitiveUP";
}

// How many leading arguments name the setting a Set… call changes.
inline size_t KeyArguments(const std::string& sName)
{
    static const std::map<std::string, size_t> s_keys = {
        {"SetRenderState", 1}, {"SetSamplerState", 2}, {"SetTextureStageState", 2},
        {"SetTexture", 1},     {"SetLight", 1},        {"LightEnable", 1},
        {"SetTransform", 1},   {"SetStreamSource", 1}, {"SetRenderTarget", 1},
        {"SetClipPlane", 1}};
    auto it = s_keys.find(sName);
    return it == s_keys.end() ? 0 : it->second;
}

inline void Apply(const SRecordedCall& call, std::map<std::string, std::string>& values)
{
    if (call.m_Name.rfind("Set", 0) != 0 && call.m_Name != "LightEnable")
        return;
    std::istringstream words(call.m_Args);
    std::string sKey = call.m_Name, sWord, sValue;
    for (size_t i = 0, n = KeyArguments(call.m_Name); i < n && words >> sWord; ++i)
        sKey += " " + sWord;
    std::getline(words >> std::ws, sValue);
    values[sKey] = sValue;
}
} // namespace orv::test

// The state at the draw numbered uDraw (0: the first) of the log.
inline SOrvDrawState OrvStateAtDraw(const std::vector<SRecordedCall>& calls, size_t uDraw)
{
    SOrvDrawState state;
    for (const SRecordedCall& call : calls)
    {
        if (orv::test::IsDrawCall(call.m_Name) && uDraw-- == 0)
        {
            state.m_bDrawn = true;
            state.m_sDraw = call.Text();
            return state;
        }
        orv::test::Apply(call, state.m_values);
    }
    state.m_values.clear();
    return state;
}

// The state the whole log leaves behind.
inline SOrvDrawState OrvStateAtEnd(const std::vector<SRecordedCall>& calls)
{
    SOrvDrawState state;
    for (const SRecordedCall& call : calls)
        orv::test::Apply(call, state.m_values);
    return state;
}
