// Test hosts: an interaction whose answers the test scripts and whose boxes it
// records, and a progress that records texts and can request an abort.
#pragma once

#include "core/host.h"
#include "core/tree_design.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct Box {
    std::string kind; // "message", "information", "warning", "error", "question"
    std::string text;
};

class ScriptedInteraction : public Interaction {
public:
    std::vector<Box> boxes;
    std::deque<bool> answers; // Yes/No answers in order; Yes when empty
    bool defaultAnswer = true;
    std::deque<std::optional<std::string>> files; // file dialog answers; cancel when empty

    void Message(std::string_view t) override { boxes.push_back({"message", std::string(t)}); }
    void Information(std::string_view t) override {
        boxes.push_back({"information", std::string(t)});
    }
    void Warning(std::string_view t) override { boxes.push_back({"warning", std::string(t)}); }
    void Error(std::string_view t) override { boxes.push_back({"error", std::string(t)}); }
    bool AskYesNo(std::string_view t) override {
        boxes.push_back({"question", std::string(t)});
        if (answers.empty())
            return defaultAnswer;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& r) override {
        lastRequest = r;
        return NextFile();
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& r) override {
        lastRequest = r;
        boxes.push_back({"save-dialog", r.filter});
        return NextFile();
    }
    std::optional<FileDialogRequest> lastRequest;

    // Texts of the boxes of one kind.
    std::vector<std::string> Texts(const std::string& kind) const;

private:
    std::optional<std::string> NextFile() {
        if (files.empty())
            return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

class RecordingProgress : public Progress {
public:
    struct Shown {
        ProgressChannel channel;
        std::string text;
    };
    std::vector<Shown> shown;
    int pumps = 0;
    // Called on every pump with the pump's number (1-based); may set flags.
    std::function<void(int)> onPump;

    void Show(ProgressChannel c, std::string_view t) override {
        shown.push_back({c, std::string(t)});
    }
    void Pump() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    std::vector<std::string> Texts(ProgressChannel c) const;
    bool Saw(const std::string& text) const;
};

// A design wired to scripted hosts.
struct Fixture {
    ScriptedInteraction ui;
    RecordingProgress progress;
    TreeDesign design;
    Fixture() { design.SetHosts(&progress, &ui); }
};

// Builds an empty tree (the root only) and tables.
void MakeEmpty(TreeDesign& d);
// Adds a replica to both sides: the partition's list and the server's list.
void AddReplica(TreeDesign& d, const std::string& partition, const std::string& server,
                std::string_view type);
// Adds a server node and its table and attribute items.
ObjectNode* AddServer(TreeDesign& d, ObjectNode* parent, const std::string& name);
// Marks a node as a partition root and adds its PartitionTable item.
void MakePartition(TreeDesign& d, ObjectNode* node);

std::string TempDir();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);

} // namespace qv::test
