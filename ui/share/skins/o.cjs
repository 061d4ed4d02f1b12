/* An example skin: a Qt style sheet. Copy it to x/o.cjs in the application folder to use it;
   the database window then takes the button-face colour and this sheet at start-up. */
QWidget#Form1, QWidget#Form1 QLabel { background-color: #dfe6ef; }
QGroupBox { border: 1px solid #7f93ad; border-radius: 4px; margin-top: 10px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #23466e; }
QPushButton { background-color: #2f5f9e; color: white; border: 1px solid #23466e;
              border-radius: 4px; }
QPushButton:hover { background-color: #3a74bf; }
QPushButton:pressed { background-color: #23466e; }
QLineEdit { border: 1px solid #7f93ad; border-radius: 3px; background: white; }
