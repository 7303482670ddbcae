#include "core/storage/sha256.h"

#include <cstring>

namespace pos {

namespace {

constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

} // namespace

#ifndef POS_SHA_INSTRUCTIONS
namespace sha256_detail {
bool shaInstructionsPresent()
{
    return false;
}
void compressBlocks(std::uint32_t *, const unsigned char *, qsizetype) { }
} // namespace sha256_detail
#endif

bool Sha256::accelerated()
{
    static const bool present = sha256_detail::shaInstructionsPresent();
    return present;
}

Sha256::Sha256()
    : m_fast(accelerated())
{
    std::memcpy(m_state, kInitial, sizeof m_state);
}

void Sha256::addData(QByteArrayView bytes)
{
    if (!m_fast) {
        m_fallback.addData(bytes);
        return;
    }
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype size = bytes.size();
    m_length += std::uint64_t(size);
    if (m_filled > 0) {
        const qsizetype taken = qMin<qsizetype>(64 - m_filled, size);
        std::memcpy(m_block + m_filled, data, size_t(taken));
        m_filled += int(taken);
        data += taken;
        size -= taken;
        if (m_filled < 64)
            return;
        sha256_detail::compressBlocks(m_state, m_block, 1);
        m_filled = 0;
    }
    if (size >= 64) {
        sha256_detail::compressBlocks(m_state, data, size / 64);
        data += size / 64 * 64;
        size %= 64;
    }
    if (size > 0)
        std::memcpy(m_block, data, size_t(size));
    m_filled = int(size);
}

QByteArray Sha256::result()
{
    if (!m_fast)
        return m_fallback.result();
    const std::uint64_t bits = m_length * 8;
    unsigned char tail[128] = {};
    std::memcpy(tail, m_block, size_t(m_filled));
    tail[m_filled] = 0x80;
    const int total = m_filled + 1 + 8 <= 64 ? 64 : 128;
    for (int i = 0; i < 8; ++i)
        tail[total - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    sha256_detail::compressBlocks(m_state, tail, total / 64);
    QByteArray digest(32, Qt::Uninitialized);
    for (int i = 0; i < 8; ++i) {
        for (int b = 0; b < 4; ++b)
            digest[4 * i + b] = char(static_cast<unsigned char>(m_state[i] >> (24 - 8 * b)));
    }
    return digest;
}

} // namespace pos
