#pragma once
// A ProcessControl that answers from a script of processes and writes down,
// in one log, every handle it opens and what is done through which handle.
// The sleep of the clock seam can write into the same log, so that a test
// sees the order of priority changes, kills and the wait.
#include "process/ProcessControl.h"

#include <map>
#include <string>
#include <vector>

namespace qv::test {

class ScriptedProcessControl : public ProcessControl {
  public:
    struct Process {
        uint64_t created = 0;
        bool noTime = false;                  // GetProcessTimes fails
        bool refuseQuery = false;             // cannot be opened for reading
        bool refuseTerminate = false;         // cannot be opened for termination
        bool terminateFails = false;          // opened, but TerminateProcess fails
        bool exited = false;                  // ended on its own, still held by someone
        std::optional<bool> critical = false; // none: the mark cannot be read
        bool ended = false;
    };

    std::map<uint32_t, Process> processes;
    uint32_t priority = 0x20; // NORMAL_PRIORITY_CLASS
    uint32_t self = 0x900;
    std::string systemDir = "C:\\WINDOWS\\SYSTEM32\\";
    std::vector<std::string> log;

    Process& Add(uint32_t id, uint64_t created) {
        Process& p = processes[id];
        p.created = created;
        return p;
    }

    std::unique_ptr<OpenedProcess> OpenForQuery(uint32_t id) override {
        return Open(id, "query", [](const Process& p) { return !p.refuseQuery; });
    }
    std::unique_ptr<OpenedProcess> OpenForTermination(uint32_t id) override {
        return Open(id, "kill", [](const Process& p) { return !p.refuseTerminate; });
    }
    uint32_t PriorityClass() override { return priority; }
    void SetPriorityClass(uint32_t c) override {
        priority = c;
        log.push_back("priority " + std::to_string(c));
    }
    uint32_t CurrentProcessId() override { return self; }
    std::string SystemDirectory() override { return systemDir; }

  private:
    class Handle : public OpenedProcess {
      public:
        Handle(ScriptedProcessControl& owner, uint32_t id, std::string name)
            : owner_(owner), id_(id), name_(std::move(name)) {}
        std::optional<uint64_t> CreationTime() override {
            owner_.log.push_back("time " + name_);
            Process* p = Find();
            if (!p || p->noTime) return std::nullopt;
            return p->created;
        }
        bool HasEnded() override {
            owner_.log.push_back("ended? " + name_);
            Process* p = Find();
            return p && p->exited;
        }
        bool Terminate() override {
            owner_.log.push_back("terminate " + name_);
            Process* p = Find();
            if (!p || p->terminateFails) return false;
            p->ended = true;
            return true;
        }
        std::optional<bool> MarkedCritical() override {
            owner_.log.push_back("critical " + name_);
            Process* p = Find();
            return p ? p->critical : std::nullopt;
        }

      private:
        Process* Find() {
            auto it = owner_.processes.find(id_);
            return it == owner_.processes.end() || it->second.ended ? nullptr : &it->second;
        }
        ScriptedProcessControl& owner_;
        uint32_t id_;
        std::string name_;
    };

    template <class Allowed>
    std::unique_ptr<OpenedProcess> Open(uint32_t id, const char* kind, Allowed allowed) {
        // Each handle is named after its kind, its process and its number,
        // e.g. "kill 8 #3", so a test can tell which handle did what.
        std::string name =
            std::string(kind) + " " + std::to_string(id) + " #" + std::to_string(++handles_);
        auto it = processes.find(id);
        if (it == processes.end() || it->second.ended || !allowed(it->second)) {
            log.push_back("open " + name + " refused");
            return nullptr;
        }
        log.push_back("open " + name);
        return std::make_unique<Handle>(*this, id, name);
    }

    int handles_ = 0;
};

} // namespace qv::test
