#include "tests/harness/files.h"

#include <fstream>
#include <iterator>

namespace test {

std::string ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return "-";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace test
