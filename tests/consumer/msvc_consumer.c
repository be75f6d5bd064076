/* A program built for the Microsoft ABI and linked by lld-link against Quillon.lib alone, with no
 * C runtime: its entry returns 0 when SHA-1("abc") through the DLL is the published digest. */
#include <quillon.h>

static const uint8_t kExpected[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                      0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};

int Start(void) {
    DigestHandle* digest = 0;
    uint8_t sha1[20];
    int i;
    Sha1Create(&digest);
    if (digest == 0) return 2;
    DigestUpdate(&digest, (const uint8_t*)"abc", 3);
    Sha1Final(sha1, &digest);
    for (i = 0; i < 20; ++i) {
        if (sha1[i] != kExpected[i]) return 1;
    }
    return 0;
}
