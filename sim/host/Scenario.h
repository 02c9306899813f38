// The scenario runner: sets up a project, acts as the user, answers the plug-in's windows
// and checks what happened, line by line; every mistake names file and line.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Script.h"
#include "SimTables.h"
#include "UiState.h"

namespace sim {

struct RunOptions {
    std::string pluginPath;  // empty: the plug-in is already loaded (ThePlugin())
    bool quiet = false;      // print the transcript only when the run fails
    bool keep = false;       // keep the scratch directory
    bool showHooks = false;  // list every hook call in the transcript
};

// The FIELD=VALUE words of a line from word FROM on.
Row FieldsOf(const ScriptLine& line, size_t from);

class Scenario {
public:
    Scenario(std::vector<ScriptLine> lines, RunOptions options);
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Runs every line; false at the first failure (see Failure()).
    bool Run();
    const std::string& Failure() const { return failure_; }
    const std::string& Transcript() const { return transcript_; }
    const std::string& ProjectDir() const { return projectDir_; }

    // Answers an event of the scripted backend (Windows-1252 text in, answer out).
    std::string OnUiEvent(const std::string& event);

    // The scenario whose run is in progress, for the plug-in's windows.
    static Scenario* Current();

    // Runs lines that need code of the plug-in linked into the running program (the photo
    // exchange, until the transaction import and export run it); true when it knew the line.
    using Extension = std::function<bool(Scenario&, const ScriptLine&)>;
    static void SetExtension(Extension extension);
    // A path of a scenario line (relative to the project directory, '\' or '/') as a path
    // of this machine.
    std::string PathOf(const std::string& word) const;
    // "@PATH" as the full path of PATH (relative to the project directory); other words as they are.
    std::string Resolved(const std::string& word) const;
    // A path of a scenario line as the host's file dialog returns it: the project directory as
    // the host reports it, a backslash, the path with backslashes (an absolute path as it is).
    std::string HostPathOf(const std::string& word) const;

private:
    void Execute(const ScriptLine& line);
    void Setup(const ScriptLine& line, bool& handled);
    void Act(const ScriptLine& line, bool& handled);
    void Check(const ScriptLine& line, bool& handled);
    void Tables(const ScriptLine& line, bool& handled);
    void Photos(const ScriptLine& line, bool& handled);
    void Exchange(const ScriptLine& line, bool& handled);
    void RunExtension(const ScriptLine& line);

    std::string OnForm(const std::string& event);
    // Modeless windows (ScenarioModeless.cpp): the plug-in showed one, the script acts on it
    // or checks it, and between lines its running timers fire.
    std::string OnShow(const std::string& event);
    void ModelessLine(const ScriptLine& line);
    void Idle();
    std::string OnMessage(const std::string& event);
    std::string OnFileDialog(const std::string& event);
    std::string OnDocument(const std::string& event);
    bool CheckControl(const ScriptLine& line, const FormState& form);
    std::string ActionFor(const ScriptLine& line, const FormState& form);

    const ScriptLine* Peek() const;
    void Fail(const ScriptLine* line, const std::string& what);
    // expect-row and expect-db-row: the first of ROWS with KEY=VALUE (word 2) holds the
    // FIELD=VALUE words after it; with NONE, no row has that key. ITEM names a field or column.
    void ExpectRow(const ScriptLine& line, const std::vector<Row>& rows, bool none, const char* item);
    void Say(const std::string& text);  // a transcript line (Windows-1252)
    int32_t Hook(const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3);

    std::vector<ScriptLine> lines_;
    size_t next_ = 0;
    RunOptions options_;
    std::string scratch_, projectDir_;
    std::string failure_, transcript_;
    bool failed_ = false;
    int32_t lastResult_ = 0;
    std::set<int> openForms_;
    const ScriptLine* lastAction_ = nullptr;
    std::vector<std::vector<char>> buffers_;  // texts handed to raw hook calls
    std::map<int, std::string> modeless_;       // open modeless windows: sequence -> caption
};

// Today as a date picker of the scripted backend shows it ("2024-5-17").
std::string TodayValue();

// Runs one scenario file; prints the transcript (UTF-8) and returns the process exit code.
int RunScenarioFile(const std::string& path, const RunOptions& options);

}  // namespace sim

// The responder the plug-in's scripted backend finds in the host process.
extern "C" const char* fxSimUiEvent(const char* event);
// Where the plug-in's scripted backend offers the function that answers for its modeless windows.
extern "C" void fxSimUiSetPump(const char* (*pump)(const char* request));
// The driver's whole work: arguments as on its command line.
extern "C" int fxSimMain(int argc, char** argv);
