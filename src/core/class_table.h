// The fixed table of NDS class names. A class index is the position of a name
// in this table; it is stored in every object node and leaf entry.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace qv {

inline constexpr int kClassCount = 97;    // indexes 0..96
inline constexpr int kClassSetSize = 104; // every class set spans 0..103

inline constexpr int kClassTop = 0;
inline constexpr int kClassOrganization = 1;
inline constexpr int kClassOrgUnit = 2;
inline constexpr int kClassServer = 3;
inline constexpr int kClassPartition = 4;
inline constexpr int kClassCountry = 5;
inline constexpr int kClassSasSecurity = 6;
inline constexpr int kClassLocality = 20;
inline constexpr int kClassNlsProductContainer = 29;
inline constexpr int kClassSlpScopeUnit = 40;
inline constexpr int kClassUnknown = 43;
inline constexpr int kClassUser = 44;
inline constexpr int kClassNcsCluster = 53;
inline constexpr int kClassGroupWiseDomain = 64;
inline constexpr int kClassGroupWisePostOffice = 66;
inline constexpr int kClassIwsDomain = 68;
inline constexpr int kClassDnsZone = 76;
inline constexpr int kClassSubnet = 78;
inline constexpr int kClassNovonyxServices = 93;
inline constexpr int kClassNoDef = 96;

// A set of class indexes over 0..103. Indexes outside that range are never members.
class ClassSet {
public:
    ClassSet() = default;
    ClassSet(std::initializer_list<int> members) {
        for (int m : members)
            Add(m);
    }
    bool Contains(int index) const { return index >= 0 && index < kClassSetSize && bits_[index]; }
    // Returns false (and adds nothing) for an index outside 0..103.
    bool Add(int index) {
        if (index < 0 || index >= kClassSetSize)
            return false;
        bits_[index] = true;
        return true;
    }
    void Remove(int index) {
        if (index >= 0 && index < kClassSetSize)
            bits_[index] = false;
    }
    void Clear() { bits_.reset(); }
    std::size_t Count() const { return bits_.count(); }
    bool operator==(const ClassSet&) const = default;

private:
    std::bitset<kClassSetSize> bits_;
};

// The table entry for index 0..96; an empty text for any other index.
const std::string& ClassName(int index);
// The index whose entry equals the name as a whole text (case-sensitive), or -1.
int ClassIndexOf(std::string_view name);
bool IsContainerClass(int index);
bool IsNodeClass(int index);
const ClassSet& ContainerClasses();
const ClassSet& NodeClasses();

} // namespace qv
