#include "app/startup.h"

int main(int argc, char *argv[])
{
    return formelan::runFormelan(argc, argv);
}
