// SoWin stand-in: the component base, title and show, on SoQt.
// Requires: SoQt 1.6. Does not: destroy the SoQt component it stands for.
#pragma once

class SoQtComponent;

class SoWinComponent
{
  public:
    virtual ~SoWinComponent();
    // Titles the component's shell; an embedded component titles its top-level window.
    void setTitle(const char *title);
    virtual void show(void);

  protected:
    explicit SoWinComponent(SoQtComponent *component);

  private:
    SoQtComponent *component;
    SoWinComponent *next_component; // every live component stays listed, as in SoWin
};
