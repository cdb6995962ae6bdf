// Stands in for a compiler that finishes without writing its log; built for the same system
// as the tests, so that it runs wherever they do.
int main()
{
    return 0;
}
