/* Quillon — cryptographic services module, public C interface.
 *
 * Every export uses the cdecl calling convention, integers are 32 bits wide, and a handle is
 * the caller's pointer-sized variable holding the address of a module-allocated context (null
 * when empty). Status results: 0 is success, -1 the common failure (empty handle, failed
 * allocation, rejected argument); families add their own codes below. Memory the module hands
 * out goes back through the module's own free exports.
 *
 * The Windows DLLs (32-bit, cdecl; 64-bit, the x64 convention) bind these by ordinal (four also
 * by name); the ordinal is given with each declaration. The Linux shared library exports the same
 * functions by name. Structures take their natural layout on each target.
 *
 * QUILLON_VERSION_MAJOR, _MINOR, _PATCH and QUILLON_VERSION_STRING (quillon_version.h) give the
 * version of the module this header came with; the major version is the shared library's
 * (libquillon.so.1).
 */
#ifndef QUILLON_H
#define QUILLON_H

#include <stdint.h>

#include "quillon_version.h"

#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define QUILLON_CALL __cdecl
#else
#define QUILLON_CALL
#endif

#if defined(_WIN32)
/* The module-definition file decides what the DLL exports. */
#define QUILLON_API
#elif defined(QUILLON_BUILDING_LIBRARY)
#define QUILLON_API __attribute__((visibility("default")))
#else
#define QUILLON_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Shared types ----------------------------------------------------------------------- */

/* A byte string: big integers in it are unsigned and big-endian, without a sign byte. */
typedef struct Item {
    uint8_t* data;
    uint32_t length;
} Item;

/* ---- AES (ordinals 4-8) ------------------------------------------------------------------ */

/* One key, one direction; 488 bytes, zeroed before it is freed. */
typedef struct AesContext AesContext;

/* Ordinal 4. direction: 0 = encryption, any other value = decryption. keyLength in bytes or
 * bits: 16/128, 24/192, 32/256. Returns 0 created; 1 key length not accepted, or no key (the
 * handle still holds a context without a schedule, to be destroyed); -1 allocation failed or a
 * null handle address, handle untouched. */
QUILLON_API int32_t QUILLON_CALL AesCreateContext(AesContext** handle, uint8_t direction,
                                                  int32_t keyLength, const uint8_t* key);

/* Ordinal 5. AES-CBC in place over the whole 16-byte blocks of data; the trailing
 * length % 16 bytes are not touched. encrypt: nonzero = encrypt, 0 = decrypt. On return iv
 * holds the last ciphertext block, so a following call continues the chain. An empty handle, or
 * a null data or iv with a whole block to work on, changes nothing. */
QUILLON_API void QUILLON_CALL AesCbcCrypt(int32_t encrypt, uint8_t* data, uint32_t length,
                                          AesContext** handle, uint8_t* iv);

/* Ordinals 6 and 7. ECB over length bytes. Returns 0; -1 empty handle, a context without the
 * schedule of this direction (its key length was refused, or it was made for the other
 * direction), or a null buffer with a non-zero length; 1 length not a multiple of 16 (or
 * negative). Nothing is written unless 0 is returned. out may equal in. */
QUILLON_API int32_t QUILLON_CALL AesEncryptBlocks(AesContext** handle, uint8_t* out,
                                                  const uint8_t* in, int32_t length);
QUILLON_API int32_t QUILLON_CALL AesDecryptBlocks(AesContext** handle, uint8_t* out,
                                                  const uint8_t* in, int32_t length);

/* Ordinal 8. Zeroes and frees the context and empties the handle; an empty handle is left alone. */
QUILLON_API void QUILLON_CALL AesDestroyContext(AesContext** handle);

/* ---- Module random generator (ordinals 1-3, 38, 50-53) ------------------------------ */

/* The one process-wide random generator (FIPS 186-2 over SHA-1), reseeded from the state of
 * the system, the operating system's random source and a caller's value. */

/* Ordinal 1. A full reseed, then a random value in 0..32767 (0 when generation fails). */
QUILLON_API int32_t QUILLON_CALL RngRandom15(void);

/* Ordinal 2. Reseeds with seed mixed in; returns the status of the last seed update (0, or a
 * toolkit status). */
QUILLON_API int32_t QUILLON_CALL RngInitialize(uint32_t seed);

/* Ordinal 3. 32 bits from scheduler timing jitter, one bit per tick of the system tick
 * counter (takes 32 ticks). */
QUILLON_API uint32_t QUILLON_CALL RngTimingJitter(void);

/* Ordinal 38. Fills out with length random bytes (length first). 0; 1 when nothing was
 * generated (length not positive, null out, no generator); else a toolkit status. */
QUILLON_API int32_t QUILLON_CALL RngGetBytes(int32_t length, uint8_t* out);

/* Ordinal 50. Records flag and, when flag is non-zero, the 8 bytes of block (a null block then
 * makes the call do nothing). */
QUILLON_API void QUILLON_CALL RngSetAuxBlock(uint32_t flag, const uint8_t* block);

/* Ordinal 51. Records two 8-byte keys and marks the generator keyed (enabling RngAddSeed); a
 * null key makes the call do nothing. */
QUILLON_API void QUILLON_CALL RngSetKeys(const uint8_t* keyA, const uint8_t* keyB);

/* Ordinal 52. Writes length bytes into the 8-byte seed ring (when keyed, and data is not null);
 * the ring feeds the next reseed. */
QUILLON_API void QUILLON_CALL RngAddSeed(const uint8_t* data, uint32_t length);

/* Ordinal 53. Clears the seed ring and the keyed state. */
QUILLON_API void QUILLON_CALL RngReset(void);

/* ---- DES and triple-DES (ordinals 9-10) --------------------------------------------- */

/* Ordinals 9 and 10. DES (8-byte key) and three-key triple-DES (24-byte key: K1, K2, K3;
 * E(K3, D(K2, E(K1, x)))) in CBC mode, in place over length bytes of data. encrypt: nonzero =
 * encrypt, 0 = decrypt. Key parity bits are ignored. iv (8 bytes) is read and left holding the
 * last ciphertext block, so a following call continues the chain; *ivSize gives the size of the
 * iv buffer and is set to 8. A length that is not a multiple of 8: encryption zero-pads the last
 * block and writes it whole (up to 7 bytes past length), decryption reads it whole and writes
 * length bytes, so data must span length rounded up to a multiple of 8. A null key, an *ivSize
 * below 8 or a negative length does nothing: data, iv and *ivSize are left as they were. */
QUILLON_API void QUILLON_CALL DesCbcCrypt(int32_t encrypt, uint8_t* data, int32_t length,
                                          const uint8_t* key, uint8_t* iv, uint32_t* ivSize);
QUILLON_API void QUILLON_CALL TripleDesCbcCrypt(int32_t encrypt, uint8_t* data, int32_t length,
                                                const uint8_t* key, uint8_t* iv, uint32_t* ivSize);

/* ---- Digests (ordinals 11-16) ------------------------------------------------------- */

/* A digest handle: one MD5 or SHA-1 computation. The caller keeps it in a variable of its own
 * and passes that variable's address to every call; final releases the handle and sets the
 * variable to null, so a late update or a second final does nothing. No call returns a status:
 * set the variable to null before create and test it afterwards. */
typedef struct DigestHandle DigestHandle;

/* Ordinals 11 and 14. Store a new MD5 / SHA-1 handle in *handle; when no memory is left
 * *handle is left exactly as it was. */
QUILLON_API void QUILLON_CALL Md5Create(DigestHandle** handle);
QUILLON_API void QUILLON_CALL Sha1Create(DigestHandle** handle);

/* Ordinals 12 and 15 (one function). Feed length bytes to an MD5 or SHA-1 handle; an empty
 * handle is ignored. */
QUILLON_API void QUILLON_CALL DigestUpdate(DigestHandle** handle, const uint8_t* data,
                                           uint32_t length);

/* Ordinals 13 and 16. Write the 16-byte MD5 / 20-byte SHA-1 digest into out, release the handle
 * and set *handle to null; an empty handle leaves out untouched. Pair each final with the
 * create of the same algorithm. */
QUILLON_API void QUILLON_CALL Md5Final(uint8_t* out, DigestHandle** handle);
QUILLON_API void QUILLON_CALL Sha1Final(uint8_t* out, DigestHandle** handle);

/* ---- Credential profiles (ordinals 17-23) ------------------------------------------- */

/* Each reader opens the profile file at path with password and hands back one protected item:
 * on success *buffer holds a new buffer of exactly the payload (not NUL-terminated), released
 * with ProfileFreeBuffer, and the result is its length (at least 1). Readers may be called from
 * any thread; they take turns.
 * The certificate readers (17, 19) report failure as one of the codes below; the key readers
 * (20, 22, 23) return 0 for every one of them. What *buffer holds afterwards:
 *   -100 the file cannot be opened (also: it is not a regular file, or larger than 4 MiB) or
 *        has a syntax error, or an argument is null: unchanged
 *   -101 "MAC Algorithm" is not the supported one: null
 *   -102 no memory while deriving the MAC key: null
 *   -103 no memory while deriving the decryption key: unchanged
 *   -104 no memory for the output buffer: null
 *   -105 the item is missing, damaged or bound to another name, the password is wrong, or the
 *        protection parameters are out of range: null */
#define PROFILE_E_LOAD (-100)
#define PROFILE_E_MAC_ALGORITHM (-101)
#define PROFILE_E_MAC_KEY (-102)
#define PROFILE_E_KEY (-103)
#define PROFILE_E_OUTPUT (-104)
#define PROFILE_E_UNREADABLE (-105)

/* Ordinal 17. "Digital Signature" / "Certificate". */
QUILLON_API int32_t QUILLON_CALL ProfileGetSignatureCertificate(uint8_t** buffer, const char* path,
                                                                const char* password);
/* Ordinal 19. "CA Certificates" / "Certificate". */
QUILLON_API int32_t QUILLON_CALL ProfileGetCaCertificates(uint8_t** buffer, const char* path,
                                                          const char* password);
/* Ordinal 20. "Digital Signature" / "Key". */
QUILLON_API int32_t QUILLON_CALL ProfileGetSignatureKey(uint8_t** buffer, const char* path,
                                                        const char* password);
/* Ordinal 22. "Private Keys" / "Key1". */
QUILLON_API int32_t QUILLON_CALL ProfileGetPrivateKey1(uint8_t** buffer, const char* path,
                                                       const char* password);
/* Ordinal 23. "Private Keys" / "Key2". */
QUILLON_API int32_t QUILLON_CALL ProfileGetPrivateKey2(uint8_t** buffer, const char* path,
                                                       const char* password);
/* Ordinals 18 and 21. Releases a buffer returned by a reader; null is accepted. */
QUILLON_API void QUILLON_CALL ProfileFreeBuffer(uint8_t* buffer);

/* ---- RSA keys (ordinals 24, 25, 28-30, 39, 54, 55) ---------------------------------- */

/* An RSA key handle: a module-allocated cell holding one key object, a public key or a private
 * key in Chinese-remainder form. The creating exports write it into the caller's variable; the
 * operations take the handle itself; RsaDestroyKey takes the variable's address.
 * Status results: 0; -1 the module could not allocate its cell, a null argument, or (for
 * RsaGetKeyInfo) a buffer too small; otherwise the toolkit's status unchanged (0x200 and up):
 * 0x20C malformed input (block formatting, DER contents, key version), 0x20D input length out of
 * range, 0x20F the key cannot serve the operation, 0x215 modulus length out of range,
 * 0x218 output buffer too small, 0x21E the key's algorithm is not RSA, 0x206 out of memory. */
typedef struct KeyHandle KeyHandle;

/* Ordinal 55. Generates a key pair with public exponent 4097 (bytes 0x10 0x01) and a modulus of
 * exactly modulusBits bits (256 to 4096, else 0x215). Both variables are written only on
 * success. */
QUILLON_API int32_t QUILLON_CALL RsaGenerateKeyPair(KeyHandle** publicKey, KeyHandle** privateKey,
                                                    uint32_t modulusBits);

/* Ordinal 39. A public key from its modulus and public exponent (big-endian unsigned, leading
 * zero bytes allowed). On failure *handle is set to null (left as it was when the cell itself
 * could not be allocated). The module keeps copies: the caller's buffers may go afterwards. */
QUILLON_API int32_t QUILLON_CALL RsaCreatePublicKey(KeyHandle** handle, const uint8_t* modulus,
                                                    uint32_t modulusLength, const uint8_t* exponent,
                                                    uint32_t exponentLength);

/* Ordinal 24. A private key from the DER bytes of a PKCS #8 PrivateKeyInfo holding an
 * RSAPrivateKey (version 0 or 1; otherPrimeInfos only in version 1); bytes after the
 * PrivateKeyInfo are ignored. *handle as for
 * RsaCreatePublicKey. A key of more than two primes is kept, but only its public half serves:
 * RsaEncrypt with it encrypts (a type-2 block). */
QUILLON_API int32_t QUILLON_CALL RsaCreatePrivateKey(KeyHandle** handle, const uint8_t* der,
                                                     uint32_t derLength);

/* Ordinal 54. Copies the modulus and public exponent (big-endian, no leading zeros) of a public
 * or private key and writes their lengths into the capacities. When either does not fit,
 * nothing is copied, both capacities are left as given and -1 is returned. */
QUILLON_API int32_t QUILLON_CALL RsaGetKeyInfo(KeyHandle* key, uint8_t* modulus,
                                               uint32_t* modulusCapacity, uint8_t* exponent,
                                               uint32_t* exponentCapacity);

/* Ordinal 29. With a private key: the PKCS #1 v1.5 type-1 block (0xFF padding) of the input,
 * transformed with the private key (a signature block; the same output every time), checked
 * with the public exponent before it is written. A private key that cannot sign gives a status
 * and writes nothing: 0x201 when its primes do not make its modulus, 0x208 when the result does
 * not check out (a wrong CRT exponent or coefficient), 0x206 out of memory. With a public-only
 * key: public-key encryption, a type-2 block (fresh random padding on each call).
 * The output is the modulus length k in bytes; the input may hold at most k - 11 bytes (else
 * 0x20D). *capacity gives the size of out and is reduced by the bytes written: the output
 * length is the capacity before minus the capacity after. */
QUILLON_API int32_t QUILLON_CALL RsaEncrypt(KeyHandle* key, const uint8_t* in, uint32_t inLength,
                                            uint8_t* out, uint32_t* capacity);

/* Ordinal 30. Recovers the data of a type-1 block made by RsaEncrypt with the matching private
 * key (a signature block). The input must be exactly k bytes (else 0x20D) and a well-formed
 * type-1 block (else 0x20C). *capacity as for RsaEncrypt. */
QUILLON_API int32_t QUILLON_CALL RsaPublicDecrypt(KeyHandle* key, const uint8_t* in,
                                                  uint32_t inLength, uint8_t* out,
                                                  uint32_t* capacity);

/* Ordinal 25. Destroys the key (wiping it) and sets *handle to null; an empty handle is left
 * alone. */
QUILLON_API void QUILLON_CALL RsaDestroyKey(KeyHandle** handle);

/* ---- Certificates (ordinals 26, 27, 43, 44) ----------------------------------------- */

/* A certificate handle: a module-allocated cell holding one X.509 certificate decoded from DER.
 * CertCreateFromDer writes it into the caller's variable; CertDestroy takes the variable's
 * address, the other exports (and RsaKeyFromCertificate) the handle itself. Statuses: 0, -1
 * (module failure), or a certificate toolkit code: */
#define CERT_E_NO_MEMORY 0x700u       /* out of memory */
#define CERT_E_INCONSISTENT 0x701u    /* inner and outer signature algorithms differ */
#define CERT_E_DATA 0x705u            /* no DER, or DER that is not a certificate */
#define CERT_E_LENGTH 0x706u          /* the DER, or an element in it, is cut short */
#define CERT_E_VALIDITY_ORDER 0x70Cu  /* the validity starts after it ends */
#define CERT_E_NOT_CERTIFICATE 0x727u /* the handle holds no certificate */
typedef struct CertHandle CertHandle;

/* Ordinal 26. Decodes the certificate at the start of the length DER bytes into a new handle in
 * *handle (null on failure); bytes after it (another certificate, padding) are ignored. The
 * first call also sets up the module's certificate context. */
QUILLON_API int32_t QUILLON_CALL CertCreateFromDer(CertHandle** handle, const uint8_t* der,
                                                   uint32_t length);

/* Ordinal 27. Destroys the certificate and sets *handle to null; an empty handle is left alone. */
QUILLON_API void QUILLON_CALL CertDestroy(CertHandle** handle);

/* Ordinal 43. The subject and issuer names as zero-terminated UTF-8 text: entries in the order
 * the name holds them, "," between relative distinguished names and "+" inside one, each as
 * short name (cn, l, st, o, ou, c, street, dc, serialNumber, title, postalCode, e, dnQualifier,
 * sn, givenName, initials, generationQualifier, name) or dotted object identifier, "=" and the
 * value; values escape , + = " > < ; \ with a backslash, as well as a space at either end, a
 * "#" at the start and a zero byte (as \00); an attribute without short name has "#" and the
 * hex of its DER as value. The strings belong to the certificate (same pointers on every call)
 * and live until CertDestroy. Returns the status of the subject's text when it failed, else
 * that of the issuer's (a failed text is written as null), so 0 means both are there;
 * CERT_E_NOT_CERTIFICATE writes neither. */
QUILLON_API int32_t QUILLON_CALL CertGetNames(const char** subject, const char** issuer,
                                              CertHandle* cert);

/* Ordinal 44. A DER PKCS #7 signed-data message without signers that carries the certificate.
 * Returns 0 with *capacity set to the message length; -1 with *capacity unchanged when the
 * message does not fit, or cannot be made (no certificate, no memory). */
QUILLON_API int32_t QUILLON_CALL CertBuildPkcs7(uint8_t* out, uint32_t* capacity, CertHandle* cert);

/* Ordinal 28. The RSA public key of a certificate as a new key handle in *handle (an
 * independent copy: the certificate may be destroyed afterwards). 0x21E when the certificate's
 * key is not RSA, CERT_E_NOT_CERTIFICATE for an empty certificate handle; *handle as for
 * RsaCreatePublicKey. */
QUILLON_API int32_t QUILLON_CALL RsaKeyFromCertificate(KeyHandle** handle, CertHandle* cert);

/* ---- Diffie-Hellman (ordinals 31-36) ------------------------------------------------ */

/* The parameters of one MODP group: prime and generator (2), and the length of the private
 * values in bits (256). The module owns the records; callers receive them from DhGetGroup and
 * pass them back unchanged. */
typedef struct DhKeyAgreeParams {
    uint8_t* prime; /* big-endian, no sign byte */
    uint32_t primeLength;
    uint8_t* generator;
    uint32_t generatorLength;
    uint32_t privateValueBits;
} DhKeyAgreeParams;

/* Ordinal 31. The parameters of IKE group 1 (768-bit prime, 96 bytes), 2 (1024-bit, 128 bytes)
 * or 5 (1536-bit, 192 bytes). Returns 0 with *params set; -3 unknown group, *params set to null;
 * -1 params is null, or the records could not be prepared (no memory; *params set to null and a
 * later call tries again). */
QUILLON_API int32_t QUILLON_CALL DhGetGroup(const DhKeyAgreeParams** params, uint32_t group);

/* A Diffie-Hellman key pair: the private value stays inside it. */
typedef struct DhKeyPair DhKeyPair;

/* Ordinal 32. A new key pair for the group and its public value, exactly the prime's length.
 * Returns 0; -1 null parameters or no memory; else the toolkit's status (outputs set to null). */
QUILLON_API int32_t QUILLON_CALL DhGenerateKeyPair(Item** publicValue, DhKeyPair** keyPair,
                                                   const DhKeyAgreeParams* params);

/* Ordinal 33. The shared secret with the peer's public value, exactly the prime's length.
 * Returns 0; -1 null parameters or no memory; else the toolkit's status: a peer value outside
 * 1 < y < p - 1 is refused with 0x20C (output untouched). The key pair stays usable. */
QUILLON_API int32_t QUILLON_CALL DhComputeSecret(Item** secret, DhKeyPair* keyPair,
                                                 const Item* peerValue,
                                                 const DhKeyAgreeParams* params);

/* Ordinal 36. Destroys the key pair (wiping the private value) and sets *keyPair to null; a
 * null handle is accepted. Always returns 0. */
QUILLON_API int32_t QUILLON_CALL DhDestroyKeyPair(DhKeyPair** keyPair);

/* Ordinals 34 and 35. Wipes and frees a value returned by the Diffie-Hellman exports (its bytes
 * and its record) and sets *buffer to null. A null record, or a null buffer, is accepted. Always
 * returns 0. */
QUILLON_API int32_t QUILLON_CALL DhFreeBuffer(Item** buffer);

/* ---- Hardware random device (ordinals 37, 56-58) ------------------------------------ */

/* The optional hardware random-number device behind the security driver; these four are also
 * exported by name. Results are ISD status codes: */
#define ISD_EOK 0u           /* success */
#define ISD_ENOTAVAIL 1u     /* the device is not currently available */
#define ISD_EDISABLED 2u     /* the device has been disabled */
#define ISD_EINPUT 4u        /* index out of range, or the driver refused the input */
#define ISD_ETESTFAIL 16u    /* the device failed its internal tests */
#define ISD_EUNKNOWN 0xFFFFu /* no driver, no answer, a null pointer, or any other status */

/* Ordinal 37. Capability index 1..5; *value receives it (0 on failure). */
QUILLON_API uint32_t QUILLON_CALL IsdGetCapability(uint32_t index, uint32_t* value);
/* Ordinal 56. 32 random bits from the device (0 on failure). */
QUILLON_API uint32_t QUILLON_CALL IsdGetRandomNumber(uint32_t* value);
/* Ordinal 57. Statistic index 1..2; as IsdGetCapability. */
QUILLON_API uint32_t QUILLON_CALL IsdGetStatistic(uint32_t index, uint32_t* value);
/* Ordinal 58. Runs the device's generator test: 0 passed, ISD_ETESTFAIL failed. */
QUILLON_API uint32_t QUILLON_CALL IsdTestRandomGenerator(void);

/* ---- Raw RSA over key files (ordinals 40-42) ---------------------------------------- */

/* A key file is a text file of component lines "<letter>.<8-character tag>.0x<hex digits>":
 * n and e as they are, d, p, q and u (p^-1 mod q) masked. Files are read once per path and
 * cached; RawRsaPublic drops the path's entry when it succeeds, RawRsaPrivate keeps it.
 * Status results: -1 the plain bytes could not be made into a number (or memory ran out);
 * -4 key file not readable (also: not a regular file, or larger than 4 MiB) or a component
 * missing; -5 null path, null buffer or zero length; -6 the operation failed. */

/* Ordinal 40. Wraps the length plain bytes at the start of buffer with the file's first n and
 * e lines: c = (0xFF || plain)^e mod n, written over buffer as the e line's tag (8 bytes), the
 * bit count of c (2 bytes, big-endian) and c (big-endian, no leading zeros). buffer must have
 * room for 10 + the modulus bytes. Returns the output length; -6 with buffer untouched when
 * 0xFF || plain is not below n (plain as long as the modulus, or one byte shorter and large
 * enough), as such an envelope could never be unwrapped. */
QUILLON_API int32_t QUILLON_CALL RawRsaPublic(const char* path, uint8_t* buffer, uint32_t length);

/* Ordinal 41. Unwraps a RawRsaPublic output of length bytes in place with the private key whose
 * tag it carries and returns the number of plain bytes written over the start of buffer. A
 * result without the 0xFF marker, or longer than the buffer (wrong key, damaged input), gives
 * -6 and leaves buffer untouched. */
QUILLON_API int32_t QUILLON_CALL RawRsaPrivate(const char* path, uint8_t* buffer, uint32_t length);

/* Ordinal 42. The low 16 bits of value in big-endian byte order. */
QUILLON_API uint16_t QUILLON_CALL HostToBigEndian16(uint32_t value);

/* ---- HMAC (ordinals 45-49) ---------------------------------------------------------- */

/* One entry of the hash table: the digest length and the three digest operations (ordinals
 * 11-16) that HMAC drives. 16 bytes on the 32-bit target. */
typedef struct HashDescriptor {
    uint32_t digestLength;
    void(QUILLON_CALL* create)(DigestHandle** handle);
    void(QUILLON_CALL* update)(DigestHandle** handle, const uint8_t* data, uint32_t length);
    void(QUILLON_CALL* final)(uint8_t* out, DigestHandle** handle);
} HashDescriptor;

/* An HMAC computation, allocated and owned by the caller (who also wipes it when done). The
 * block size is 64 bytes; the MAC is the full digest (digestLength bytes). */
typedef struct HmacContext {
    const HashDescriptor* descriptor;
    DigestHandle* handle; /* the running digest, null when none runs */
    uint32_t digestLength;
    uint8_t innerPad[64]; /* key block XOR 0x36 */
    uint8_t outerPad[64]; /* key block XOR 0x5C */
} HmacContext;

/* Ordinal 49. The descriptor of hash number 1 (MD5, 16 bytes) or 2 (SHA-1, 20 bytes), the IKE
 * numbers. Numbers 0 and 3 give empty descriptors (length 0, no operations), any other number
 * null. The HMAC operations do nothing with a null or empty descriptor. */
QUILLON_API const HashDescriptor* QUILLON_CALL HmacGetHash(uint32_t number);

/* Ordinal 46. Keys the context and starts the inner digest. A key longer than 64 bytes is
 * replaced by its digest; a key of 0 bytes is allowed. descriptor may also be the caller's own,
 * for any hash of 64-byte blocks (SHA-256, SHA-224) whose digest is at most 64 bytes; a longer
 * digest, a null key with a non-zero length, or a key digest that cannot be made (no memory)
 * leaves the context unkeyed: the other operations then do nothing. */
QUILLON_API void QUILLON_CALL HmacInit(HmacContext* context, const HashDescriptor* descriptor,
                                       const uint8_t* key, uint32_t keyLength);

/* Ordinal 47. Feeds message bytes to the running inner digest. */
QUILLON_API void QUILLON_CALL HmacUpdate(HmacContext* context, const uint8_t* data,
                                         uint32_t length);

/* Ordinal 48. Writes the digestLength-byte MAC into out and ends the computation. With no
 * computation running (before init, after a final, or out of memory) out is left untouched. */
QUILLON_API void QUILLON_CALL HmacFinal(uint8_t* out, HmacContext* context);

/* Ordinal 45. Starts a new message with the same key (after HmacFinal); a computation still
 * running is abandoned first. */
QUILLON_API void QUILLON_CALL HmacReset(HmacContext* context);

/* ---- Power-up self-tests (ordinal 100) ---------------------------------------------- */

/* Ordinal 100. Runs the power-up self-tests in order: code integrity, AES, triple-DES, SHA-1, a
 * fixed RSA signature, a fresh 1024-bit RSA key pair, HMAC-SHA-1. Returns 1 when all pass, 0 at
 * the first failure (the later tests do not run). Each call runs them afresh; nothing else
 * changes, whatever the verdict. */
QUILLON_API int32_t QUILLON_CALL SelfTest(void);

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_H */
