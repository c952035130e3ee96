/* A client of the installed library, built once with pkg-config and once
   with find_package(Korvel): it must compile, link and run. */
#include <korvel.h>

#include <stdio.h>

int main(void)
{
    TDeviceData data;
    printf("RFID_GetDeviceData: %d\n", (int)RFID_GetDeviceData(&data));
    return 0;
}
