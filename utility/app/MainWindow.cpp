#include "MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AboutPage.h"
#include "Artwork.h"
#include "Callback.h"
#include "CommandsPage.h"
#include "ComPort.h"
#include "HelpWindow.h"
#include "LogView.h"
#include "MemoryCardPage.h"
#include "Passwords.h"
#include "SetProtect.h"
#include "Settings.h"
#include "Special.h"
#include "Vela1Page.h"
#include "Write.h"
#include "counter.h"
#include "keys.h"
#include "read.h"
#include "vela1pro.h"

namespace kestrel {
namespace {

constexpr int kWidth = 545;
constexpr int kHeight = 438;
constexpr int kButtonPanelWidth = 121;

}  // namespace

TForm1::TForm1(Kiteb& binding, Vela1& vela1, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent),
      binding_(binding),
      vela1_(vela1),
      prompter_(prompter),
      pages_(new QTabWidget),
      log_(new LogView) {
  setWindowTitle(QStringLiteral("Kestrel"));
  setWindowIcon(application_icon());
  resize(kWidth, kHeight);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(pages_, 5);
  layout->addWidget(create_log_band(), 2);
  setCentralWidget(central);
  create_menus();

  // The dialogs exist, hidden, before the window is first shown; the pages work with them.
  // Keys Verification comes first of the memory-card dialogs, as Update checks passwords with it.
  com_port_ = new TFrmComPort(binding_, prompter_, this);
  keys_ = new TFrmKeys(vela1_, prompter_, this);
  vela1_properties_ = new TFrmVELA1Prop(vela1_, *keys_, prompter_, this);
  passwords_ = new TFrmPasswords(binding_, prompter_, this);
  special_ = new TFrmSpecial(binding_, prompter_, this);
  counter_ = new TFrmCounter(binding_, prompter_, this);
  write_ = new TFrmWrite(binding_, prompter_, *passwords_, *counter_, this);
  read_ = new TFrmRead(prompter_, this);
  protection_ = new TFrmSetProtect(binding_, prompter_, this);

  memory_card_page_ =
      new TMemoryCardPage(binding_, prompter_, {*passwords_, *protection_, *special_, *read_, *write_});

  vela1_page_ = new TVela1Page(binding_, vela1_, *keys_, *vela1_properties_, *log_, prompter_);
  commands_ = new TCommandsPage(binding_, *log_, prompter_);
  about_ = new AboutPage;
  pages_->addTab(memory_card_page_, QStringLiteral("Memory Card"));
  pages_->addTab(vela1_page_, QStringLiteral("VELA1"));
  pages_->addTab(commands_, QStringLiteral("Commands"));
  pages_->addTab(about_, QStringLiteral("About"));
  pages_->setCurrentIndex(static_cast<int>(Page::About));
  connect(pages_, &QTabWidget::currentChanged, this, &TForm1::page_entered);
  order_focus();
}

// Tab goes through the window in reading order: the page tabs, the shown page's controls, the log,
// Clear and Quit. The controls of hidden pages are in the chain too; Tab passes over them.
void TForm1::order_focus() {
  std::vector<QWidget*> chain{pages_->tabBar()};
  for (QWidget* control : memory_card_page_->focus_order()) chain.push_back(control);
  for (QWidget* control : vela1_page_->focus_order()) chain.push_back(control);
  for (QWidget* control : commands_->focus_order()) chain.push_back(control);
  chain.insert(chain.end(), {&about_->list(), log_, clear_, quit_});
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

// The window's default button is Quit; the VELA1 page has its own, Reset, while it is shown.
QPushButton& TForm1::default_button() const {
  return current_page() == Page::Vela1 ? vela1_page_->default_button() : *quit_;
}

// Return presses the default button unless the control with the focus takes Return itself: a
// button presses itself, a text editor and a drop-down list keep the key.
void TForm1::keyPressEvent(QKeyEvent* event) {
  const bool return_key = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!return_key || (event->modifiers() & ~Qt::KeypadModifier) != 0) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  QWidget* focus = QApplication::focusWidget();
  if (auto* button = qobject_cast<QAbstractButton*>(focus); button != nullptr && button->isEnabled()) {
    button->click();
  } else if (QPushButton& fallback = default_button(); fallback.isEnabled() && fallback.isVisible()) {
    fallback.click();
  }
  event->accept();
}

TForm1::~TForm1() {
  // Card events and trace lines must not reach a window that is going.
  callback_.reset();
  binding_.disable_exchange_trace();
}

QWidget* TForm1::create_log_band() {
  auto* band = new QWidget;
  auto* panel = new QWidget(band);
  panel->setFixedWidth(kButtonPanelWidth);
  auto* clear = new QPushButton(QStringLiteral("Clear"), panel);
  auto* quit = new QPushButton(QStringLiteral("Quit"), panel);
  quit->setDefault(true);
  clear_ = clear;
  quit_ = quit;
  auto* buttons = new QVBoxLayout(panel);
  buttons->addWidget(clear);
  buttons->addWidget(quit);
  buttons->addStretch(1);
  connect(clear, &QPushButton::clicked, log_, &LogView::clear);
  connect(quit, &QPushButton::clicked, this, &QWidget::close);

  auto* layout = new QHBoxLayout(band);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(log_, 1);
  layout->addWidget(panel);
  return band;
}

void TForm1::create_menus() {
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(QStringLiteral("&Memory Card"), this, [this] { show_page(Page::MemoryCard); });
  view->addAction(QStringLiteral("&VELA1 Card"), this, [this] { show_page(Page::Vela1); });
  view->addAction(QStringLiteral("&Reader Commands"), this, [this] { show_page(Page::Commands); });
  view->addAction(QStringLiteral("&Hardware Configuration"), this, &TForm1::reconfigure_hardware);
  view->addSeparator();
  view->addAction(QStringLiteral("&Exit"), this, &QWidget::close);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(QStringLiteral("&Help Topics"), this, &TForm1::show_help);
  help->addSeparator();
  help->addAction(QStringLiteral("&About..."), this, [this] { show_page(Page::About); });
}

void TForm1::log_line(const QString& line) { log_->append_line(line); }

void TForm1::show_page(Page page) { pages_->setCurrentIndex(static_cast<int>(page)); }

TForm1::Page TForm1::current_page() const { return static_cast<Page>(pages_->currentIndex()); }

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (started_) return;
  started_ = true;
  memory_card_page_->build_tree();
  // Before the window is mapped, so that it opens where it was left.
  load_settings();
  // The reader is looked for once the window is up: a reader that is not there keeps the library
  // waiting for seconds, and meanwhile the user sees the window, with a busy cursor.
  QMetaObject::invokeMethod(this, &TForm1::start_up, Qt::QueuedConnection);
}

void TForm1::start_up() {
  if (closed_) return;
  if (com_port_->open_or_ask(reader_type_index_, port_index_, false) != QDialog::Accepted) {
    // The user gave up on the reader: the window closes once it is up, after the steps below.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
  callback_ = std::make_unique<TCallback>();
  register_card_events();
  binding_.enable_exchange_trace(*log_);
  commands_->select_first_command();
  if (current_page() == Page::About) about_->show_reader_information(binding_);
  started_up_ = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (started_ && !closed_) {
    closed_ = true;
    save_settings();
    log_line(QStringLiteral("QX_EndSession, return value = %1").arg(binding_.end_session()));
    binding_.close();
    vela1_.release_cipher();
    if (help_ != nullptr) help_->close();
  }
  event->accept();
}

void TForm1::load_settings() {
  const std::optional<MainSettings> settings = load_main_settings();
  if (!settings) {
    place_centred();
    return;
  }
  port_index_ = settings->port_index;
  reader_type_index_ = settings->reader_type_index;
  commands_->select_card_type(settings->card_type);
  // The stored place wins over the centred first placement. It is the window's own area, frame
  // left out, both ways: that is what comes back exactly under any window manager.
  const QSize size(settings->width.value_or(width()), settings->height.value_or(height()));
  setGeometry(QRect(QPoint(settings->left, settings->top), size));
  for (size_t i = 0; i < kKeyNames.size(); ++i) keys_->set_text(kKeyNames[i], settings->keys[i]);
}

void TForm1::place_centred() {
  const QRect screen_area = screen()->availableGeometry();
  move(screen_area.center() - rect().center());
}

void TForm1::save_settings() {
  MainSettings settings;
  settings.port_index = port_index_;
  settings.reader_type_index = reader_type_index_;
  settings.card_type = commands_->card_type_selection();
  const QRect area = geometry();
  settings.top = area.y();
  settings.left = area.x();
  settings.width = area.width();
  settings.height = area.height();
  for (size_t i = 0; i < kKeyNames.size(); ++i) settings.keys[i] = keys_->text(kKeyNames[i]);
  save_main_settings(settings);
}

void TForm1::reconfigure_hardware() {
  const int32_t previous_reader_type = reader_type_index_;
  const int32_t previous_port = port_index_;
  if (com_port_->open_or_ask(reader_type_index_, port_index_, true) != QDialog::Accepted) {
    reader_type_index_ = previous_reader_type;
    port_index_ = previous_port;
    com_port_->open_or_ask(reader_type_index_, port_index_, false);
  }
  register_card_events();
  binding_.enable_exchange_trace(*log_);
}

// A port opened anew has forgotten its callback, so the handler is registered after every open.
void TForm1::register_card_events() {
  callback_->register_handler([this](QX_CALLBACK relay) { return binding_.register_card_event_handler(relay); },
                              [this](int32_t code) { return card_event(code); });
}

int32_t TForm1::card_event(int32_t code) {
  if (code == QX_EVENT_CARD_INSERTED) {
    close_card_dialogs();  // a card swapped at once: its removal may not have come
    card_inserted();
  }
  if (code == QX_EVENT_CARD_REMOVED) {
    close_card_dialogs();
    show_page(Page::About);
  }
  return 0;
}

// The card dialogs work on the card they were opened for: once it is gone, OK would send its
// codes, keys or protection to whatever card comes next. They close as cancelled, and the log says so.
void TForm1::close_card_dialogs() {
  const std::initializer_list<QDialog*> card_dialogs = {keys_, vela1_properties_, special_, protection_, passwords_};
  for (QDialog* dialog : card_dialogs) {
    if (!dialog->isVisible()) continue;
    dialog->reject();
    log_line(QStringLiteral("%1 closed: the card was removed").arg(dialog->windowTitle()));
  }
}

void TForm1::card_inserted() {
  if (binding_.start_session(QX_CARD_AUTODETECT) < 0) {
    log_line(QStringLiteral("Unknown card is inserted"));
    show_page(Page::MemoryCard);
    return;
  }
  const QX_SESSION& session = binding_.session();
  switch (session.CardType) {
    case QX_CARD_AUTODETECT:
      log_line(QStringLiteral("Memory card is inserted"));
      show_page(Page::MemoryCard);
      break;
    case QX_CARD_MCU_T0:
      // A VELA1 card belongs to its own page, and no line is written for it.
      if (is_vela1_answer_to_reset(session)) {
        show_page(Page::Vela1);
        vela1_page_->reset();
        break;
      }
      log_line(QStringLiteral("T=0 MCU card is inserted"));
      show_page(Page::Commands);
      break;
    case QX_CARD_MCU_T1:
      log_line(QStringLiteral("T=1 MCU card is inserted"));
      show_page(Page::Commands);
      break;
    default: break;
  }
}

void TForm1::page_entered(int index) {
  if (static_cast<Page>(index) == Page::About) about_->show_reader_information(binding_);
}

void TForm1::show_help() {
  if (help_ == nullptr) help_ = new HelpWindow(this);
  if (!help_->show_contents())
    prompter_.message(this, Prompter::Kind::Warning,
                      QStringLiteral("The user guide cannot be found at %1.").arg(user_guide_path()));
}

}  // namespace kestrel
