// Program entry on Linux: the platform layer calls the Win32-style entry point.
int main()
{
    return 0;
}
