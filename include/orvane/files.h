// Game-facing commands of the files subsystem: numbered file channels,
// files and folders, directory listing and INI settings. Paths use "/" (a
// "\" is accepted and turned into "/"); a path that does not exist as
// written is looked up ignoring case. Reading a file also finds it in the
// asset archive appended to the program.
#pragma once

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

// ---- File channels (numbers 0-7) --------------------------------------------
double OpenFileChannel(double channel, const RtString& name, double mode);  // mode > 0 read (a missing save: its NAME.bak), 0 write (a new version, in place at close), < 0 append; writes follow links to regular files only; 1 or 0 (error 3/7)
void CloseFileChannel(double channel);                     // close the channel; a written file replaces the old one now (keeping NAME.bak); error 3 when it cannot
double FreeFileChannel();                                  // lowest channel not open, or -1
double EndOfFile(double channel);                          // 1 when the position is at or past the end
double FilePosition(double channel);                       // the channel's position in bytes
double FileSeek(double channel, double distance, double mode);  // mode < 0 from the end, > 0 from here, 0 from the start; 1 or 0

// ---- Reading (little-endian; a failed read ends the program, error 3) -------
double FileReadByte(double channel);                       // signed 8-bit
double FileReadUByte(double channel);                      // unsigned 8-bit
double FileReadShort(double channel);                      // signed 16-bit
double FileReadUShort(double channel);                     // unsigned 16-bit
double FileReadInt(double channel);                        // signed 32-bit
double FileReadUInt(double channel);                       // unsigned 32-bit, returned as its 32-bit (signed) pattern
double FileReadDouble(double channel);                     // 64-bit float
double FileReadFloat(double channel);                      // 32-bit float
RtString FileReadText(double channel, double count);       // count bytes ("" for count <= 0)
RtString FileReadLine(double channel);                     // one line of at most 1024 bytes, without "\r\n"
double FileReadLineNumber(double channel);                 // a line converted with atof
double FileReadLineInteger(double channel);                // a line converted with atoi

// ---- Writing (little-endian; a failed write ends the program, error 3) ------
void FileWriteByte(double channel, double value);          // signed 8-bit
void FileWriteUByte(double channel, double value);         // unsigned 8-bit
void FileWriteShort(double channel, double value);         // signed 16-bit
void FileWriteUShort(double channel, double value);        // unsigned 16-bit
void FileWriteInt(double channel, double value);           // signed 32-bit
void FileWriteUInt(double channel, double value);          // unsigned 32-bit
void FileWriteDouble(double channel, double value);        // 64-bit float
void FileWriteFloat(double channel, double value);         // 32-bit float (rounded)
void FileWriteText(double channel, const RtString& text);  // the text's bytes, no terminator
void FileWriteLine(double channel, const RtString& text);  // the text's bytes, then "\r\n"

// ---- Files and folders ------------------------------------------------------
double FileExists(const RtString& name);                   // 1 for an existing file (not a folder)
double IsDirectory(const RtString& name);                  // 1 for an existing folder
double FileSize(const RtString& name);                     // size in bytes ("mem://" names too); 0 and error 3 when it cannot be opened
double FileDelete(const RtString& name);                   // 1 when the file was deleted (with its NAME.bak)
double MakeDirectory(const RtString& name);                // 1 when the folder was created
double FileCopy(const RtString& source, const RtString& target);  // 1 on success; a failed copy leaves the target as it was (error 3)
RtString GetCurrentDir();                                  // current folder with "/" at the end
double SetCurrentDir(const RtString& path);                // 1, or 0 and error 3
RtString GetTempDir();                                     // temporary folder with "/" at the end
RtString GetProgramPath();                                 // full path of the program file
RtString GetProgramDir();                                  // the program's folder (no final "/")
RtString SlashPath(const RtString& path);                  // the path with every "\" turned into "/"

// ---- Directory listing ------------------------------------------------------
double ListDirectory(const RtString& pattern, RtArray<RtString>& names);  // folders, then matching files; folders * 65536 + files
double WildcardMatch(const RtString& pattern, const RtString& name);     // 1 when name matches ("*", "?", "*.*")

// ---- INI settings (one process-wide store, saved on exit) -------------------
void IniOpen(const RtString& name);                        // save the open file if changed, then load name ("" = none)
RtString IniGet(const RtString& section, const RtString& key, const RtString& fallback);  // the value, or fallback
void IniPut(const RtString& section, const RtString& key, const RtString& value);       // set; "" value deletes the key, "" key the section
