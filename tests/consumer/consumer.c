/* A program from outside the project, built against the installed module the ways a user
 * would: find_package(Quillon), pkg-config, or the DLL's import library. */
#include <quillon.h>
#include <stdio.h>

int main(void) {
    DigestHandle* digest = NULL;
    uint8_t sha1[20];
    Sha1Create(&digest);
    if (digest == NULL) return 1;
    DigestUpdate(&digest, (const uint8_t*)"abc", 3);
    Sha1Final(sha1, &digest);
    printf("Quillon %s, SHA-1(\"abc\") = ", QUILLON_VERSION_STRING);
    for (int i = 0; i < 20; ++i) printf("%02x", sha1[i]);
    printf("\n");
    return 0;
}
