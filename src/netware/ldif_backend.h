// The directory read in-process from an LDIF file (the embedded default):
// entries in file order, the first entry is the tree root, parents before
// children. Parsed with OpenLDAP's LDIF functions.
#pragma once

#include "netware/directory_backend.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::nds {

class LdifDirectory {
public:
    struct Entry {
        ListedObject object;
        std::int32_t firstChild = -1;
        std::int32_t lastChild = -1;
        std::int32_t nextSibling = -1;
        std::int32_t values = -1; // index into values_, or -1
    };

    // Reads the LDIF text (tree named treeName). Entries that are not below
    // the first entry, whose parent has not been seen, or whose DN repeats
    // one seen before are left out and counted. False (with an error
    // status) when the text is not LDIF or holds no entry.
    Status Load(const char* data, std::size_t size, const std::string& treeName);
    Status LoadFile(const std::string& path, const std::string& treeName);

    std::size_t EntryCount() const { return entries_.size(); }
    std::size_t SkippedCount() const { return skipped_; }
    const Entry& At(std::size_t i) const { return entries_[i]; }
    // Index of the entry at the path, or -1.
    std::int32_t Find(const std::string& path) const;
    const std::vector<AttributeValues>* ValuesOf(std::int32_t index) const;
    // Referral objects (objectClass referral): never listed; each is a
    // counted error when its parent is listed.
    struct Referral {
        std::int32_t parent;
        std::string name; // as a listing would give it
        std::vector<std::string> urls;
    };
    const std::vector<Referral>& Referrals() const { return referrals_; }
    // Why the last load failed, naming the line, when that is known.
    const std::string& Error() const { return error_; }

private:
    Status LoadFrom(void* ldifFile, const std::string& treeName);
    std::vector<Entry> entries_;
    std::vector<std::vector<AttributeValues>> values_;
    std::unordered_map<std::string, std::int32_t> byDn_; // normalized DN below the root
    TreeNaming naming_;
    std::size_t skipped_ = 0;
    std::vector<Referral> referrals_;
    std::string error_;
};

class LdifBackend final : public DirectoryBackend {
public:
    explicit LdifBackend(std::shared_ptr<const LdifDirectory> dir) : dir_(std::move(dir)) {}
    Status List(const std::string& path, std::vector<ListedObject>& out) override;
    Status Read(const std::string& path, const std::vector<std::string>& names,
                std::vector<AttributeValues>& out) override;
    void TakeReport(std::vector<std::string>& notices, std::string& words,
                    std::string& fatal) override;

private:
    std::shared_ptr<const LdifDirectory> dir_;
    std::vector<std::string> notices_;
};

} // namespace qv::nds
