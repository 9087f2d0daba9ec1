// A stand-in driver file that carries a version resource, so that the Setup
// API's version check has two versions of WTQVX.DRV to compare.
int main() { return 0; }
