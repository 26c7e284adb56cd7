// Which object classes may hold which: the rules of Create Object, Move
// Object and drag and drop.
#include "edit/containment.h"

#include "core/class_table.h"

#include <initializer_list>

namespace qv {

namespace {

bool In(int v, std::initializer_list<int> set) {
    for (int x : set)
        if (x == v)
            return true;
    return false;
}

} // namespace

bool CreateContainmentAllows(int p, int k) {
    switch (k) {
    case kClassCountry:
        return p == kClassTop;
    case kClassOrganization:
        return In(p, {kClassTop, kClassCountry, kClassLocality});
    case kClassOrgUnit:
        return In(p, {kClassOrganization, kClassOrgUnit, kClassLocality});
    case kClassLocality:
        return In(p, {kClassOrganization, kClassOrgUnit, kClassCountry, kClassLocality});
    case kClassServer:
        return In(p, {kClassOrganization, kClassOrgUnit});
    default:
        return p != kClassTop || IsContainerClass(k);
    }
}

bool CreateContainmentUnchecked(int k) {
    return !In(k, {kClassCountry, kClassOrganization, kClassOrgUnit, kClassLocality, kClassServer});
}

bool MoveContainmentAllows(int x, int d) {
    switch (x) {
    case kClassOrganization:
        return In(d, {kClassTop, kClassCountry, kClassLocality});
    case kClassOrgUnit:
        return In(d, {kClassOrganization, kClassOrgUnit, kClassLocality});
    case kClassServer:
        return In(d, {kClassOrganization, kClassOrgUnit});
    case kClassLocality:
    case kClassSlpScopeUnit:
        return In(d, {kClassOrganization, kClassOrgUnit, kClassCountry, kClassLocality});
    case kClassNlsProductContainer:
    case kClassNcsCluster:
    case kClassGroupWiseDomain:
    case kClassGroupWisePostOffice:
    case kClassIwsDomain:
    case kClassDnsZone:
    case kClassSubnet:
        return In(d, {kClassOrganization, kClassOrgUnit});
    case kClassNovonyxServices:
        return In(d, {kClassTop, kClassOrganization, kClassOrgUnit, kClassCountry});
    case kClassUnknown:
    case kClassNoDef:
        return d != kClassServer;
    default:
        return false;
    }
}

bool DropContainmentAllows(int t, int k) {
    switch (t) {
    case kClassTop:
        return In(k, {kClassOrganization, kClassCountry, kClassUnknown, kClassNovonyxServices,
                      kClassNoDef});
    case kClassOrganization:
    case kClassOrgUnit:
        return In(k, {kClassOrgUnit, kClassServer, kClassLocality, kClassNlsProductContainer,
                      kClassSlpScopeUnit, kClassUnknown, kClassNcsCluster, kClassGroupWiseDomain,
                      kClassGroupWisePostOffice, kClassIwsDomain, kClassDnsZone, kClassSubnet,
                      kClassNovonyxServices, kClassNoDef});
    case kClassCountry:
        return In(k, {kClassOrganization, kClassLocality, kClassSlpScopeUnit, kClassUnknown,
                      kClassNovonyxServices, kClassNoDef});
    case kClassLocality:
        return In(k, {kClassOrganization, kClassOrgUnit, kClassLocality, kClassSlpScopeUnit,
                      kClassUnknown, kClassNovonyxServices, kClassNoDef});
    case kClassSasSecurity:
    case kClassNlsProductContainer:
    case kClassSlpScopeUnit:
    case kClassUnknown:
    case kClassNcsCluster:
    case kClassGroupWiseDomain:
    case kClassGroupWisePostOffice:
    case kClassIwsDomain:
    case kClassDnsZone:
    case kClassSubnet:
    case kClassNoDef:
        return In(k, {kClassUnknown, kClassNoDef});
    default:
        return false;
    }
}

} // namespace qv
