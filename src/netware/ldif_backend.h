// The directory read in-process from an LDIF file (the embedded default),
// parsed with OpenLDAP's LDIF functions. Entries may come in any order: the
// tree root is the base DN of the address (ldif:PATH?BASE-DN) or else the
// entry with the shortest DN; children are listed in file order.
#pragma once

#include "netware/directory_backend.h"
#include "netware/directory_profile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::nds {

struct LdifLoadOptions {
    std::string baseDn;           // empty: the entry with the shortest DN
    std::string profile = "auto"; // see netware/directory_profile.h
};

class LdifDirectory {
public:
    struct Entry {
        ListedObject object;
        std::int32_t firstChild = -1;
        std::int32_t lastChild = -1;
        std::int32_t nextSibling = -1;
        std::int32_t values = -1; // index into values_, or -1
    };

    using Options = LdifLoadOptions;
    // Reads the LDIF text (tree named treeName); a UTF-8 byte order mark is
    // skipped. Change records, entries outside the base, entries whose
    // parent is not in the file and repeated DNs are left out, each counted
    // and named with its line in Errors(). An error status when the text is
    // not LDIF, holds no entry, or the base DN does not parse. Values given
    // by URL are read only from regular files of this host (file:///), of
    // at most 64 MB each.
    Status Load(const char* data, std::size_t size, const std::string& treeName);
    Status Load(const char* data, std::size_t size, const std::string& treeName,
                const Options& options);
    Status LoadFile(const std::string& path, const std::string& treeName,
                    const Options& options = {});

    std::size_t EntryCount() const { return entries_.size(); }
    std::size_t SkippedCount() const { return errors_.size(); }
    // "Line 12: ..." for each entry left out.
    const std::vector<std::string>& Errors() const { return errors_; }
    const DirectoryProfile& Profile() const { return *profile_; }
    const std::string& ProfileWhy() const { return profileWhy_; }
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
    Status LoadFrom(void* ldifFile, const std::string& treeName, const Options& options);
    // The steps of LoadFrom, in order; LoadState holds what one load keeps
    // between them.
    struct LoadState;
    void ResetForLoad(const std::string& treeName);
    // Counts an entry left out, naming its line.
    void NoteLeftOut(unsigned long line, const std::string& text);
    // The records in file order; change records and DNs that do not parse
    // are left out.
    Status ReadRecords(LoadState& s);
    // The next record, or end set after the last.
    Status ReadRecord(LoadState& s, bool& end);
    // From the option, or from the object classes met.
    void ChooseLoadProfile(const LoadState& s, const Options& options);
    // Given, or the entry with the shortest DN.
    Status FindBase(const LoadState& s, const Options& options);
    // Each entry's key below the base, parents before children; entries
    // outside the base and repeated DNs are left out.
    void PlaceEntries(LoadState& s);
    // The root, then each placed entry under its parent.
    void BuildTree(LoadState& s);
    // The parent of the placed entry, or -1 (counted) when it is not in
    // the file.
    std::int32_t ParentInTree(LoadState& s, std::size_t placed, const Rdn& first);
    // The placed entry as the parent's last child, or as a referral.
    void AddToTree(LoadState& s, std::size_t placed, const Rdn& first, std::int32_t parent);
    std::vector<Entry> entries_;
    std::vector<std::vector<AttributeValues>> values_;
    std::unordered_map<std::string, std::int32_t> byDn_; // normalized DN below the root
    TreeNaming naming_;
    std::vector<std::string> errors_;
    std::vector<unsigned long> recordLines_; // the line each record starts on
    const DirectoryProfile* profile_ = nullptr;
    std::string profileWhy_;
    std::vector<Referral> referrals_;
    std::string error_;
};

class LdifBackend final : public DirectoryBackend {
public:
    explicit LdifBackend(std::shared_ptr<const LdifDirectory> dir) : dir_(std::move(dir)) {}
    Status List(const std::string& path, std::vector<ListedObject>& out) override;
    Status Read(const std::string& path, const std::vector<std::string>& names,
                std::vector<AttributeValues>& out) override;
    void TakeReport(Report& out) override;

private:
    std::shared_ptr<const LdifDirectory> dir_;
    std::vector<Note> notes_; // referrals met since the last report
    bool noted_ = false;      // the entries left out were reported
};

} // namespace qv::nds
