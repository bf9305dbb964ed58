#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Crypto.h"

namespace sorvik {
namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Bytes(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

// The first use may come from several threads at once (this test runs before
// the others of the file, which make the library ready otherwise).
TEST(Crypto, FirstUseFromManyThreads) {
  std::vector<std::string> digests(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < digests.size(); ++i)
    threads.emplace_back([&digests, i] { digests[i] = Hex(Hash(THashKind::Sha256, "abc")); });
  for (std::thread& t : threads) t.join();
  for (const std::string& d : digests) EXPECT_EQ(d, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// RFC 1321's suite for MD5 and FIPS 180-2's examples for the SHA-2 hashes
// (one block, two blocks, the empty message, a million 'a').
TEST(Crypto, HashesKnownAnswers) {
  EXPECT_EQ(Hex(Hash(THashKind::Md5, "")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex(Hash(THashKind::Md5, "abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex(Hash(THashKind::Md5, "message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  EXPECT_EQ(Hex(Hash(THashKind::Md5, digits)), "57edf4a22be3c955ac49da2e2107b67a");

  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Hex(Hash(THashKind::Sha256, "abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(Hash(THashKind::Sha256, twoBlocks)),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(Hash(THashKind::Sha256, std::string(1000000, 'a'))),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(Hex(Hash(THashKind::Sha384, "abc")),
            "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
  EXPECT_EQ(Hex(Hash(THashKind::Sha384, "")),
            "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b");
  EXPECT_EQ(Hex(Hash(THashKind::Sha512, "abc")),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
            "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  EXPECT_EQ(Hex(Hash(THashKind::Sha512, twoBlocks)),
            "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c335"
            "96fd15c13b1b07f9aa1d3bea57789ca031ad85c7a71dd70354ec631238ca3445");
}

// RFC 6229's key streams (40- and 128-bit keys, at offsets 0, 16, 240 and
// 4096), and the same call undoing what it did.
TEST(Crypto, Rc4KeyStreamsAndSymmetry) {
  const std::string zeros(4112, '\0');
  const struct {
    std::string key;
    const char* at0;
    const char* at16;
    const char* at240;
    const char* at4096;
  } cases[] = {
      {Bytes("0102030405"), "b2396305f03dc027ccc3524a0a1118a8", "6982944f18fc82d589c403a47a0d0919",
       "28cb1132c96ce286421dcaadb8b69eae", "ff25b58995996707e51fbdf08b34d875"},
      {Bytes("0102030405060708090a0b0c0d0e0f10"), "9ac7cc9a609d1ef7b2932899cde41b97",
       "5248c4959014126a6e8a84f11d1a9e1c", "065902e4b620f6cc36c8589f66432f2b", "a36a4c301ae8ac13610ccbc12256cacc"},
  };
  for (const auto& c : cases) {
    const std::string stream = Rc4(c.key, zeros);
    ASSERT_EQ(stream.size(), zeros.size());
    EXPECT_EQ(Hex(stream.substr(0, 16)), c.at0);
    EXPECT_EQ(Hex(stream.substr(16, 16)), c.at16);
    EXPECT_EQ(Hex(stream.substr(240, 16)), c.at240);
    EXPECT_EQ(Hex(stream.substr(4096, 16)), c.at4096);
  }
  std::string key256;
  for (int i = 0; i < 256; ++i) key256 += static_cast<char>(i * 7);
  const std::string text = "RC4 is its own inverse";
  const std::string sealed = Rc4(key256, text);
  EXPECT_NE(sealed, text);
  EXPECT_EQ(Rc4(key256, sealed), text);
  EXPECT_EQ(Rc4("12345", ""), "");
  EXPECT_THROW(Rc4("1234", text), std::invalid_argument);
  EXPECT_THROW(Rc4(std::string(257, 'k'), text), std::invalid_argument);
}

// NIST SP 800-38A F.2.1 to F.2.6 (CBC with AES-128 and AES-256).
TEST(Crypto, AesCbcKnownAnswers) {
  const std::string iv = Bytes("000102030405060708090a0b0c0d0e0f");
  const std::string plain = Bytes(
      "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
      "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
  const std::string key128 = Bytes("2b7e151628aed2a6abf7158809cf4f3c");
  const std::string sealed128 = Bytes(
      "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
      "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
  const std::string key256 = Bytes("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const std::string sealed256 = Bytes(
      "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
      "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");

  EXPECT_EQ(Hex(Aes128CbcEncrypt(key128, iv, plain)), Hex(sealed128));
  EXPECT_EQ(Hex(AesCbcDecrypt(key128, iv, sealed128)), Hex(plain));
  EXPECT_EQ(Hex(AesCbcDecrypt(key256, iv, sealed256)), Hex(plain));
  // CBC chains: the second block alone decrypts with the first as its vector.
  EXPECT_EQ(Hex(AesCbcDecrypt(key256, sealed256.substr(0, 16), sealed256.substr(16, 16))), Hex(plain.substr(16, 16)));
  EXPECT_EQ(AesCbcDecrypt(key128, iv, ""), "");

  EXPECT_THROW(AesCbcDecrypt(key128.substr(0, 15), iv, sealed128), std::invalid_argument);
  EXPECT_THROW(AesCbcDecrypt(key128 + key128.substr(0, 8), iv, sealed128), std::invalid_argument);
  EXPECT_THROW(AesCbcDecrypt(key128, iv.substr(1), sealed128), std::invalid_argument);
  EXPECT_THROW(AesCbcDecrypt(key128, iv, sealed128.substr(1)), std::invalid_argument);
  EXPECT_THROW(Aes128CbcEncrypt(key256, iv, plain), std::invalid_argument);
  EXPECT_THROW(Aes128CbcEncrypt(key128, iv, plain.substr(3)), std::invalid_argument);
}

}  // namespace
}  // namespace sorvik
