// TForm1: the main window. It hosts the four pages (Memory Card, VELA1, Commands, About), the log
// with its Clear and Quit buttons, and the menus; it owns the dialogs. At its first show it loads
// the settings, opens the reader through the Reader Configuration dialog and starts taking card
// insertion and removal; at close it saves the settings, ends the session and closes the reader.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>

#include "Prompter.h"
#include "kiteb.h"
#include "vela1.h"

class QPushButton;
class QTabWidget;

namespace kestrel {

class AboutPage;
class HelpWindow;
class LogView;
class TCallback;
class TCommandsPage;
class TFrmComPort;
class TFrmCounter;
class TFrmKeys;
class TFrmPasswords;
class TFrmRead;
class TFrmSetProtect;
class TFrmSpecial;
class TFrmWrite;
class TMemoryCardPage;
class TFrmVELA1Prop;
class TVela1Page;

class TForm1 final : public QMainWindow {
  Q_OBJECT

 public:
  // The pages in the order they appear.
  enum class Page { MemoryCard, Vela1, Commands, About };

  TForm1(Kiteb& binding, Vela1& vela1, Prompter& prompter, QWidget* parent = nullptr);
  ~TForm1() override;

  void log_line(const QString& line);
  void show_page(Page page);
  Page current_page() const;
  // Card insertion (11) and removal (12), on the user-interface thread; other codes are ignored.
  int32_t card_event(int32_t code);

  LogView& log() const { return *log_; }
  TMemoryCardPage& memory_card_page() const { return *memory_card_page_; }
  TVela1Page& vela1_page() const { return *vela1_page_; }
  TCommandsPage& commands_page() const { return *commands_; }
  AboutPage& about_page() const { return *about_; }
  TFrmComPort& com_port_dialog() const { return *com_port_; }
  TFrmKeys& keys_dialog() const { return *keys_; }
  TFrmVELA1Prop& vela1_properties_dialog() const { return *vela1_properties_; }
  TFrmSpecial& special_dialog() const { return *special_; }
  TFrmSetProtect& protection_dialog() const { return *protection_; }
  TFrmPasswords& passwords_dialog() const { return *passwords_; }
  TFrmRead& read_dialog() const { return *read_; }
  TFrmCounter& counter_dialog() const { return *counter_; }
  TFrmWrite& write_dialog() const { return *write_; }
  // The help window, once Help Topics has opened it.
  HelpWindow* help_window() const { return help_; }
  // True once the start-up after the first show has run (the reader open or given up).
  bool started_up() const { return started_up_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void create_menus();
  QWidget* create_log_band();
  void order_focus();
  QPushButton& default_button() const;
  void close_card_dialogs();
  void start_up();
  void place_centred();
  void load_settings();
  void save_settings();
  void reconfigure_hardware();
  void register_card_events();
  void card_inserted();
  void page_entered(int index);
  void show_help();

  Kiteb& binding_;
  Vela1& vela1_;
  Prompter& prompter_;
  // Indexes into the Reader Configuration dialog's reader and port lists.
  int32_t reader_type_index_ = 0;
  int32_t port_index_ = 0;
  bool started_ = false;
  bool started_up_ = false;
  bool closed_ = false;

  QTabWidget* pages_;
  LogView* log_;
  QPushButton* clear_ = nullptr;
  QPushButton* quit_ = nullptr;
  TMemoryCardPage* memory_card_page_;
  TVela1Page* vela1_page_;
  TCommandsPage* commands_;
  AboutPage* about_;
  TFrmComPort* com_port_;
  TFrmKeys* keys_;
  TFrmVELA1Prop* vela1_properties_;
  TFrmSpecial* special_;
  TFrmSetProtect* protection_;
  TFrmPasswords* passwords_;
  TFrmRead* read_;
  TFrmCounter* counter_;
  TFrmWrite* write_;
  HelpWindow* help_ = nullptr;
  std::unique_ptr<TCallback> callback_;
};

}  // namespace kestrel
