// The storage interface: where a program keeps the records it saves between runs (a folder
// of files on the desktop, the browser's storage on the web). The runtime knows records
// only as bytes under a name; what they hold is the program's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zell {

// Where saved records live. Every record is written whole and atomically: a reader sees
// the old bytes or the new ones, never a mixture.
class Store {
public:
    enum class Status { Ok, Missing, Failed };
    struct ReadResult {
        Status status = Status::Missing;
        std::string bytes;
        std::string why;  // Failed: what went wrong
    };

    virtual ~Store() = default;
    virtual ReadResult read(const std::string& name) = 0;
    // Replaces the record atomically; false with the reason when it cannot.
    virtual bool write(const std::string& name, std::string_view bytes, std::string* why) = 0;
    // Excludes other copies of the program from the record until unlock.
    virtual bool lock(const std::string& name, std::string* why) = 0;
    virtual void unlock(const std::string& name) = 0;
    // Keeps a record that cannot be used under a new name with a timestamp; that name, or
    // "" with the reason when it cannot be moved.
    virtual std::string set_aside(const std::string& name, std::string* why) = 0;
    // Where the record is, for the player (a path).
    virtual std::string where(const std::string& name) const = 0;
    // The names of the records in a folder (such as "replays"), each as "folder/name", in no particular
    // order; empty when the folder does not exist.
    virtual std::vector<std::string> list(const std::string& folder) = 0;
    // Removes a record; false with the reason when it cannot (a missing record is not an error).
    virtual bool remove(const std::string& name, std::string* why) = 0;
};

}  // namespace zell
