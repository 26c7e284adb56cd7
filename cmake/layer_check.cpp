// Linked with one subsystem library taken whole and the layers below it: the
// link fails when the subsystem calls into a layer above it.
int main() {
    return 0;
}
