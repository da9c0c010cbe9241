// Linked with every object of one layer of the core and the layers below it
// (see CMakeLists.txt): it links only when the layer calls nothing above it.
int main()
{
    return 0;
}
