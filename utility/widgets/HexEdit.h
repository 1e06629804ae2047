// THexEdit: the utility's editor for card bytes. It owns a buffer of up to 1024 bytes and shows it
// as hexadecimal digit pairs or as characters (the layout is in HexText.h). Every edit of the text
// is taken into the bytes and the text is laid out again at once, with the caret kept where the
// user was typing; owners set the length and the bytes, let the user edit, and take the bytes back.
//
// Positions. The editor reasons in text positions, where a line break is CR LF and counts two
// characters; Start and the caret rules are defined on them. QPlainTextEdit keeps each line as a
// block and counts the break between blocks as one position. So a caret in block b at document
// position d is at text position d + b, and a text position t maps back to t minus the number of
// line breaks before it. The caret never rests inside a CR LF pair, so the mapping is exact.
//
// Bytes below 32 in text form show as their control pictures (U+2400 + byte) and, like control
// characters, are not taken back from edited text.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

#include "Prompter.h"

class QFocusEvent;
class QKeyEvent;
class QMimeData;

namespace kestrel {

class THexEdit : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(bool RequiredField READ RequiredField WRITE SetRequiredField)
  Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(TValidEditMode EditMode READ EditMode WRITE SetEditMode)
  Q_PROPERTY(bool InsertMode READ InsertMode WRITE SetInsertMode)
  Q_PROPERTY(int BytePerLine READ BytePerLine WRITE SetBytePerLine)
  Q_PROPERTY(int BufferLen READ BufferLen WRITE SetBufferLen)
  Q_PROPERTY(bool Modified READ Modified WRITE SetModified)
  Q_PROPERTY(int Start READ Start)

 public:
  enum TValidEditMode { dtHex = 0, dtAscii = 1 };
  Q_ENUM(TValidEditMode)

  static constexpr int kMaxBufferLen = 1024;
  static constexpr int kDefaultBytePerLine = 8;

  explicit THexEdit(Prompter& prompter, QWidget* parent = nullptr);

  // Takes the text into the buffer and returns its BufferLen bytes (none while BufferLen ≤ 0).
  // The span stays valid as long as the editor.
  std::span<const uint8_t> GetBuffer();
  // Copies BufferLen bytes from source and shows them; bytes that source lacks become 0.
  void SetBuffer(std::span<const uint8_t> source);

  int BufferLen() const { return buffer_len_; }
  // Lengths up to 1024 are stored (a negative one shows no bytes); a longer one is refused with a
  // message. The text is not laid out again: the next SetBuffer, mode or line change, or edit is.
  void SetBufferLen(int length);

  int BytePerLine() const { return byte_per_line_; }
  // 8 for a count of 0 or less.
  void SetBytePerLine(int count);

  TValidEditMode EditMode() const { return edit_mode_; }
  // Keeps the bytes and shows them in the new form; an unknown mode changes nothing.
  void SetEditMode(TValidEditMode mode);

  // false: a typed digit replaces the one at the caret; true: it is inserted.
  bool InsertMode() const { return insert_mode_; }
  void SetInsertMode(bool insert) { insert_mode_ = insert; }

  // Set by every key typed and every edit of the text; owners reset it.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // An empty required editor warns when the user leaves it and takes the focus back.
  bool RequiredField() const { return required_field_; }
  void SetRequiredField(bool required) { required_field_ = required; }

  // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter; the vertical part is ignored.
  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment alignment);

  // The index of the byte at the caret, by line arithmetic on the text position. It is BufferLen
  // when the caret is after the last byte.
  int Start() const;

  // Shows the bytes: lays the text out anew and settles the caret.
  void BufferToText();
  // Brings the buffer up to date with the text. Text edited since it was last laid out is read
  // back; text the user has not touched already has its bytes in the buffer, and only bytes that
  // a longer BufferLen added (and the text does not show) become 0.
  void TextToBuffer();

 signals:
  // The bytes changed: after every edit that was taken in, and after SetBuffer.
  void bufferChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  std::span<uint8_t> valid_bytes();
  QStringList document_lines() const;
  int text_caret() const;
  void show_lines(const QStringList& lines, int text_caret_position);
  void take_edit();
  void warn_if_left_empty();

  Prompter& prompter_;
  std::array<uint8_t, kMaxBufferLen> buffer_{};
  int buffer_len_ = 0;
  int byte_per_line_ = kDefaultBytePerLine;
  TValidEditMode edit_mode_ = dtHex;
  bool insert_mode_ = false;
  bool modified_ = false;
  bool required_field_ = false;
  Qt::Alignment alignment_ = Qt::AlignLeft;
  // A typed key (hexadecimal only) whose text change is not yet taken in; it is taken in within
  // the same key press, so the flag never outlives it.
  bool typed_ = false;
  // Set while the editor replaces its own text, so that the change is not read back as an edit.
  bool updating_ = false;
  // The text was changed by the user and not yet laid out again.
  bool text_edited_ = false;
  // How many bytes the text shows: BufferLen when it was last laid out.
  int shown_len_ = 0;
};

}  // namespace kestrel
