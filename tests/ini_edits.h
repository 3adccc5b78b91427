// Hand-written settings files before and after a successful open writes its four keys
// (LastDestPort 7001, LastLocalPort 7002, LastType 1, LastdwIPADDRESS of 127.0.0.5, in that order):
// the keys' lines change or are added, and every other byte stays.
#pragma once

#include <string>

namespace test {

using namespace std::string_literals;

struct ProfileEditRow {
  const char* name;
  std::string before;  // "-" for no file at all
  std::string after;
};

inline const ProfileEditRow kProfileEdits[] = {
    {"NoFile", "-", "[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"EmptyFile", "",
     "[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"NotesAndOtherSections",
     "; my notes\n[Other]\nmy key = some value\n列=值\nlist=a,b\n\n[ClientParams]\nLastType = 0\n; "
     "keep\n\n[Z]\nb=2\na=1\n",
     "; my notes\n[Other]\nmy key = some value\n列=值\nlist=a,b\n\n[ClientParams]\nLastType = 1\nLastDestPort=7001\n"
     "LastLocalPort=7002\nLastdwIPADDRESS=2130706437\n; keep\n\n[Z]\nb=2\na=1\n"},
    {"CrLfEndings", "[ClientParams]\r\nLastDestPort=1\r\n[Other]\r\nx=1\r\n",
     "[ClientParams]\r\nLastDestPort=7001\r\nLastLocalPort=7002\r\nLastType=1\r\nLastdwIPADDRESS=2130706437\r\n[Other]"
     "\r\nx=1\r\n"},
    {"Utf8BomAndOtherSpelling", "\xEF\xBB\xBF[ClientParams]\nlasttype=2\n",
     "\xEF\xBB\xBF[ClientParams]\nlasttype=1\nLastDestPort=7001\nLastLocalPort=7002\nLastdwIPADDRESS=2130706437\n"},
    {"NoFinalNewline", "[Other]\nx=1",
     "[Other]\nx=1\n[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437"},
    {"DuplicateSections", "[ClientParams]\nLastType=0\n[clientparams]\nLastDestPort=5\n",
     "[ClientParams]\nLastType=1\nLastLocalPort=7002\nLastdwIPADDRESS=2130706437\n[clientparams]\nLastDestPort=7001\n"},
    {"BlanksAroundNamesAndValues", "[ ClientParams ]\n  LastDestPort  =  9  \n",
     "[ ClientParams ]\n  LastDestPort  =  7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"BinaryFile",
     "\x00\x01\xff\xfe[\x00]\n\x7f"
     "ELF"s,
     "\x00\x01\xff\xfe[\x00]\n\x7f"
     "ELF\n[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437"s},
};

}  // namespace test
