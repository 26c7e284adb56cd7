// Which object classes may hold which.
#pragma once

namespace qv {

// Create Object: may an object of class child be created under a container of class parent?
bool CreateContainmentAllows(int parentClass, int childClass);
// Create Object does not check the containment of these classes (every class
// but COUNTRY, ORGANIZATION, ORGANIZATIONAL UNIT, LOCALITY and NETWARE SERVER)
// and warns about it.
bool CreateContainmentUnchecked(int childClass);
// Move Object command: may a node of class moved go under a node of class destination?
bool MoveContainmentAllows(int movedClass, int destinationClass);
// Drag and drop: does a node of class target accept a dragged node of class dragged?
bool DropContainmentAllows(int targetClass, int draggedClass);

} // namespace qv
