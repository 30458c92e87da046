#pragma once

class QPrinter;

// The printer chosen in the last printer dialog; the following print goes to it.
QPrinter& sharedPrinter();
