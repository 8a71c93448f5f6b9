#pragma once
// Every named action of the editor, for the command palette: found by any words of its name
// ("add sprite" finds "Add sprite layer"), some taking an argument after their words ("go to
// 42.5"), each with the text of its shortcut. The model registers the document's own actions
// (RegisterDocumentActions); the shell registers the rest (views, panels, transport, export).

#include <functional>
#include <string>
#include <vector>

class CEditorDocument;
class CEditorSelection;

struct SEditorAction
{
    std::string sName;     // "Add sprite layer"
    std::string sShortcut; // "Ctrl+S", or empty
    // An argument follows the name's words ("Go to" + " 42.5"); its kind for the palette's hint.
    bool bTakesArgument = false;
    std::string sArgumentHint; // "frame", "bpm", ...
    // Runs the action; false with the reason when it cannot.
    std::function<bool(const std::string& sArgument, std::string& sError)> fnRun;
};

struct SEditorActionMatch
{
    const SEditorAction* pAction = nullptr;
    std::string sArgument;
    int iScore = 0; // higher is better
};

class CEditorActions
{
public:
    // Adds an action; one with the same name is replaced.
    void Register(SEditorAction action);
    const std::vector<SEditorAction>& GetActions() const { return m_Actions; }
    const SEditorAction* Find(const std::string& sName) const;

    // The actions whose name the query's words match, best first. Each word of the query must
    // begin a word of the name (in any order, any case); for an action taking an argument, the
    // query's words after those that match are the argument. An empty query lists everything.
    std::vector<SEditorActionMatch> Match(const std::string& sQuery) const;
    // Runs the best match; false with the reason when nothing matches or the action fails.
    bool Run(const std::string& sQuery, std::string& sError) const;

private:
    std::vector<SEditorAction> m_Actions;
};

// The document's own actions: add each kind of object, undo, redo, save, delete / duplicate the
// selection, go to a frame. fnGetFrame gives the current position, fnSetFrame moves it.
void RegisterDocumentActions(CEditorActions& actions, CEditorDocument& document,
                             CEditorSelection& selection, std::function<float()> fnGetFrame,
                             std::function<void(float)> fnSetFrame);
