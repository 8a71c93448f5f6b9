#include "EditorActions.h"

#include "EditorClipboard.h"
#include "EditorCommands.h"
#include "EditorDocument.h"
#include "EditorSelection.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace
{
std::string Lower(std::string sText)
{
    for (char& c : sText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return sText;
}

std::vector<std::string> Words(const std::string& sText)
{
    std::vector<std::string> words;
    std::istringstream stream(Lower(sText));
    for (std::string sWord; stream >> sWord;)
        words.push_back(sWord);
    return words;
}

bool StartsWith(const std::string& sText, const std::string& sStart)
{
    return sText.compare(0, sStart.size(), sStart) == 0;
}

// Matches the query's words, in order, to words of the name: each to an unused name word it
// begins, an exact word before one it only begins. For an action with an argument, the query's
// words from the first that matches nothing are the argument. Returns the score, or -1.
int Score(const SEditorAction& action, const std::vector<std::string>& query,
          const std::vector<std::string>& queryOriginal, std::string& sArgument)
{
    const std::vector<std::string> name = Words(action.sName);
    std::vector<bool> used(name.size(), false);
    int iScore = 0;
    size_t uMatched = 0;
    int iLastPlace = -1;
    for (; uMatched < query.size(); ++uMatched)
    {
        const std::string& sWord = query[uMatched];
        int iFound = -1;
        for (size_t i = 0; i < name.size() && iFound < 0; ++i)
            if (!used[i] && name[i] == sWord)
                iFound = static_cast<int>(i);
        for (size_t i = 0; i < name.size() && iFound < 0; ++i)
            if (!used[i] && StartsWith(name[i], sWord))
                iFound = static_cast<int>(i);
        if (iFound < 0)
            break;
        used[static_cast<size_t>(iFound)] = true;
        iScore += name[static_cast<size_t>(iFound)] == sWord ? 10 : 6;
        iScore += iFound > iLastPlace ? 2 : 0; // in the name's order
        iLastPlace = iFound;
    }
    if (uMatched < query.size())
    {
        if (!action.bTakesArgument || uMatched == 0)
            return -1;
        for (size_t i = uMatched; i < queryOriginal.size(); ++i)
            sArgument += (sArgument.empty() ? "" : " ") + queryOriginal[i];
        iScore += 5;
    }
    // Among equals, the name with the fewest words left over.
    iScore -= static_cast<int>(std::count(used.begin(), used.end(), false));
    return iScore;
}

std::vector<std::string> OriginalWords(const std::string& sText)
{
    std::vector<std::string> words;
    std::istringstream stream(sText);
    for (std::string sWord; stream >> sWord;)
        words.push_back(sWord);
    return words;
}
} // namespace

void CEditorActions::Register(SEditorAction action)
{
    for (SEditorAction& existing : m_Actions)
        if (existing.sName == action.sName)
        {
            existing = std::move(action);
            return;
        }
    m_Actions.push_back(std::move(action));
}

const SEditorAction* CEditorActions::Find(const std::string& sName) const
{
    for (const SEditorAction& action : m_Actions)
        if (Lower(action.sName) == Lower(sName))
            return &action;
    return nullptr;
}

std::vector<SEditorActionMatch> CEditorActions::Match(const std::string& sQuery) const
{
    const std::vector<std::string> query = Words(sQuery);
    const std::vector<std::string> original = OriginalWords(sQuery);
    std::vector<SEditorActionMatch> matches;
    for (const SEditorAction& action : m_Actions)
    {
        std::string sArgument;
        const int iScore = query.empty() ? 0 : Score(action, query, original, sArgument);
        if (iScore >= 0 || query.empty())
            matches.push_back({&action, sArgument, iScore});
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const SEditorActionMatch& a, const SEditorActionMatch& b)
                     { return a.iScore > b.iScore; });
    return matches;
}

bool CEditorActions::Run(const std::string& sQuery, std::string& sError) const
{
    const std::vector<SEditorActionMatch> matches = Match(sQuery);
    if (matches.empty() || Words(sQuery).empty())
    {
        sError = "no action matches \"" + sQuery + "\"";
        return false;
    }
    const SEditorActionMatch& best = matches.front();
    if (best.pAction->bTakesArgument && best.sArgument.empty())
    {
        sError = best.pAction->sName + " needs a " + best.pAction->sArgumentHint;
        return false;
    }
    if (!best.pAction->fnRun)
    {
        sError = best.pAction->sName + " cannot be run here";
        return false;
    }
    return best.pAction->fnRun(best.sArgument, sError);
}

namespace
{
bool ParseNumber(const std::string& sText, float& fValue, std::string& sError)
{
    const char* p = sText.c_str();
    char* pEnd = nullptr;
    const float f = std::strtof(p, &pEnd);
    if (pEnd == p || *pEnd != '\0' || !std::isfinite(f))
    {
        sError = "\"" + sText + "\" is not a number";
        return false;
    }
    fValue = f;
    return true;
}

// Runs a command and selects what it concerns.
bool RunAndSelect(CEditorDocument& document, CEditorSelection& selection, EditorCommandPtr pCommand,
                  std::string& sError)
{
    if (!document.Execute(std::move(pCommand), sError))
        return false;
    SEditorObjectRef ref;
    if (document.GetLastAffected(ref))
        selection.SelectObject(ref);
    return true;
}

std::string LowerFirst(std::string sText)
{
    if (!sText.empty() && !(sText.size() > 1 && std::isupper(static_cast<unsigned char>(sText[1]))))
        sText[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sText[0])));
    return sText;
}

void RegisterAddActions(CEditorActions& actions, CEditorDocument& document,
                        CEditorSelection& selection, const std::function<float()>& fnGetFrame)
{
    for (size_t i = 0; i < static_cast<size_t>(EEditorFactory::Count); ++i)
    {
        const auto eFactory = static_cast<EEditorFactory>(i);
        SEditorAction action;
        action.sName = "Add " + LowerFirst(EditorFactoryLabel(eFactory));
        action.fnRun = [&document, &selection, fnGetFrame, eFactory](const std::string&,
                                                                     std::string& sError) {
            return RunAndSelect(document, selection, EditorAddObject(eFactory, fnGetFrame()),
                                sError);
        };
        actions.Register(std::move(action));
    }
}

void RegisterSelectionActions(CEditorActions& actions, CEditorDocument& document,
                              CEditorSelection& selection)
{
    actions.Register({"Delete selection", "Delete", false, "",
                      [&document, &selection](const std::string&, std::string& sError)
                      {
                          if (!selection.GetKeys().empty())
                          {
                              const bool bOk =
                                  document.Execute(EditorDeleteKeys(selection.GetKeys()), sError);
                              selection.ClearKeys();
                              return bOk;
                          }
                          if (selection.GetObjects().empty())
                          {
                              sError = "nothing is selected";
                              return false;
                          }
                          const bool bOk =
                              document.Execute(EditorDeleteAll(selection.GetObjects()), sError);
                          selection.Prune(document.GetDemo());
                          return bOk;
                      }});
    actions.Register({"Duplicate selection", "Ctrl+D", false, "",
                      [&document, &selection](const std::string&, std::string& sError)
                      {
                          if (selection.GetObjects().empty())
                          {
                              sError = "nothing is selected";
                              return false;
                          }
                          return RunAndSelect(document, selection,
                                              EditorDuplicateAll(selection.GetObjects()), sError);
                      }});
}
} // namespace

void RegisterDocumentActions(CEditorActions& actions, CEditorDocument& document,
                             CEditorSelection& selection, std::function<float()> fnGetFrame,
                             std::function<void(float)> fnSetFrame)
{
    RegisterAddActions(actions, document, selection, fnGetFrame);
    RegisterSelectionActions(actions, document, selection);
    actions.Register({"Undo", "Ctrl+Z", false, "",
                      [&document](const std::string&, std::string& sError)
                      {
                          if (document.Undo())
                              return true;
                          sError = "nothing to undo";
                          return false;
                      }});
    actions.Register({"Redo", "Ctrl+Shift+Z", false, "",
                      [&document](const std::string&, std::string& sError)
                      {
                          if (document.Redo())
                              return true;
                          sError = "nothing to redo";
                          return false;
                      }});
    actions.Register({"Save", "Ctrl+S", false, "",
                      [&document](const std::string&, std::string& sError)
                      { return document.Save(sError); }});
    actions.Register({"Go to frame", "", true, "frame",
                      [fnSetFrame](const std::string& sArgument, std::string& sError)
                      {
                          float fFrame = 0.0f;
                          if (!ParseNumber(sArgument, fFrame, sError))
                              return false;
                          fnSetFrame(fFrame);
                          return true;
                      }});
    actions.Register({"Set tempo", "", true, "number of beats per minute",
                      [&document](const std::string& sArgument, std::string& sError)
                      {
                          float fTempo = 0.0f;
                          if (!ParseNumber(sArgument, fTempo, sError))
                              return false;
                          if (fTempo <= 0.0f)
                          {
                              sError = "a tempo is more than 0 beats per minute";
                              return false;
                          }
                          return document.Execute(EditorSetTempo(fTempo), sError);
                      }});
}
