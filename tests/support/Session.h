// A host session in this process: the stand-in's project in a fresh directory, the plug-in's
// exports linked in, and the plug-in's windows answered from a queue.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace testsupport {

class Session {
public:
    Session();
    // A session on a project directory that exists (and goes with the session).
    explicit Session(const std::filesystem::path& existing);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TempDir dir;
    // Every event the plug-in's scripted windows sent, in order.
    std::vector<std::string> events;
    // Answers for the next events; an event without one is cancelled ("abort").
    std::deque<std::string> answers;

    // The texts of the message boxes shown so far.
    std::vector<std::string> Messages() const;
    // The directory as the host reports it, and a file in it.
    std::string ProjectDir() const;
    std::string File(const std::string& name) const;
    // The project database the host reports (an SQLite file with the host's Objektphotos).
    std::string Database() const;

private:
    void Begin();
};

}  // namespace testsupport
