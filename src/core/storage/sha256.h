#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>

#include <cstdint>

namespace pos {

// SHA-256 of the bytes given in pieces. Where the processor has the SHA instructions it
// computes them itself (some twenty times faster than QCryptographicHash, which makes a
// backup cost what its copying does); elsewhere QCryptographicHash does.
class Sha256
{
public:
    Sha256();
    void addData(QByteArrayView bytes);
    // The 32 bytes of the digest; the object is done with then.
    QByteArray result();

    // Whether this processor's instructions are used.
    static bool accelerated();

private:
    bool m_fast;
    QCryptographicHash m_fallback{QCryptographicHash::Sha256};
    std::uint32_t m_state[8];
    unsigned char m_block[64];
    int m_filled = 0;
    std::uint64_t m_length = 0;
};

namespace sha256_detail {
// Compresses whole 64-byte blocks into the state with the SHA instructions (sha256_x86.cpp);
// false where they are not built in or the processor lacks them.
bool shaInstructionsPresent();
void compressBlocks(std::uint32_t state[8], const unsigned char *data, qsizetype blocks);
} // namespace sha256_detail

} // namespace pos
