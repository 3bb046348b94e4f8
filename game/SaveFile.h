// Reading and writing the game's small save records: headerless sequences of 32-bit little-endian
// integers and floats, 64-bit little-endian words, and texts stored as a u32 byte count followed by
// that many UTF-8 bytes.
//
// A writer collects the whole record in memory and hands it to the file in one write when it is
// finished, so a record is either written completely or reported as not written. A reader takes
// the file's bytes once, up to a limit the caller gives, and never reads past them: every Get
// reports whether the value was there.
//
// A write that fails is said once per run on stderr, naming the save folder and the reason; the
// game keeps running. A file found damaged is kept aside before anything writes over it.
#pragma once

#include <vector>

#include "base/NarrowString.h"
#include "base/SmartPtr.h"
#include "system/Types.h"
#include "vfs/File.h"

class SaveWriter {
public:
    SaveWriter() = default;
    // Opens path for writing (emptying the file); see IsOpen.
    explicit SaveWriter(const Vorn::NarrowString& path);
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;
    // A writer that was never finished still finishes: the file gets what was put.
    ~SaveWriter();

    bool Open(const Vorn::NarrowString& path);
    bool IsOpen() const { return static_cast<bool>(m_file); }

    void PutI32(Vorn::s32 value);
    void PutU32(Vorn::u32 value);
    void PutF32(float value);
    void PutU64(Vorn::u64 value);
    // The byte count, then the bytes.
    void PutText(const Vorn::NarrowString& text);
    void PutBytes(const void* data, size_t size);

    // Writes what was put and closes the file. True only when the file was open, took every byte
    // and closed cleanly; the save area then holds exactly the record.
    bool Finish();

    const std::vector<Vorn::u8>& Bytes() const { return m_bytes; }

    // Whether a failed save has been said on stderr in this run; tests start over with Reset,
    // which also lets each damaged file be said again (KeepDamagedSave says each once a run).
    static bool FailureReported();
    static void ResetFailureReport();

    // Writes the bytes to path as a writer would, on a thread of its own, so that the caller
    // waits neither for the disk nor for the sync that makes the save durable. Writes are made in
    // the order given: a write still waiting when a newer one of the same path comes is dropped,
    // and the newer one is made after every write given before it. A failure is said on stderr as
    // any other. Every writer and reader opened afterwards waits for the writes given before it,
    // and so does WaitForBackgroundWrites, which also joins the save thread once it has ended.
    static void WriteInBackground(const Vorn::NarrowString& path, std::vector<Vorn::u8> bytes);
    static void WaitForBackgroundWrites();

private:
    Vorn::SmartPtr<Vorn::File> m_file;
    std::vector<Vorn::u8> m_bytes;
    int m_openError = 0; // errno of an open that failed
    bool m_opened = false;
};

class SaveReader {
public:
    SaveReader() = default;
    SaveReader(const SaveReader&) = delete;
    SaveReader& operator=(const SaveReader&) = delete;

    // Reads at most maxBytes of the file at path; bytes beyond are never looked at. False when the
    // file cannot be opened.
    bool Open(const Vorn::NarrowString& path, Vorn::u32 maxBytes);
    // Reads from bytes already in memory (tests and fuzzing use the same parsing).
    void SetBytes(const Vorn::u8* data, size_t size);

    bool IsOpen() const { return m_open; }
    const std::vector<Vorn::u8>& Bytes() const { return m_bytes; }
    Vorn::u32 Size() const { return static_cast<Vorn::u32>(m_bytes.size()); }
    Vorn::u32 Remaining() const { return Size() - m_position; }

    // Each is false, leaving value and position unchanged, when fewer bytes than the value needs
    // remain.
    bool GetI32(Vorn::s32& value);
    bool GetU32(Vorn::u32& value);
    bool GetF32(float& value);
    bool GetU64(Vorn::u64& value);
    // False when the stored count exceeds maxBytes or what remains.
    bool GetText(Vorn::NarrowString& text, Vorn::u32 maxBytes);

private:
    bool Take(void* out, Vorn::u32 count);

    std::vector<Vorn::u8> m_bytes;
    Vorn::u32 m_position = 0;
    bool m_open = false;
};

// The name a save path has on disk ("save/Ann_fit" is "<folder>/._Ann_fit"), for messages.
Vorn::NarrowString SaveFileOnDisk(const Vorn::NarrowString& path);

// Whether the save file at path is there (a file that cannot be opened counts as missing).
bool SaveFileExists(const Vorn::NarrowString& path);

// A save file that cannot be read whole: its bytes are copied beside it (path + ".damaged", or
// ".damaged2" and on up to ".damaged9" when that is taken; then ".damaged9" is replaced, and said
// to be) before anything writes over it, and stderr says which file was damaged and what was kept
// of it (once a run for each file). Bytes already set aside in this run are not copied again.
// False when the copy could not be made: the caller must then leave the file as it is.
bool KeepDamagedSave(const Vorn::NarrowString& path, const Vorn::NarrowString& kept);

// A count and its noun for the lines that say what was kept: "1 level record", "3 level records".
Vorn::NarrowString Counted(int count, const char* one, const char* many);

// The save paths of the files in the save area ("save/" followed by each file's own name) whose
// names end so.
std::vector<Vorn::NarrowString> ListSaveFiles(const char* ending = "");
