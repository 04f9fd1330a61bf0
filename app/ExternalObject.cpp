#include "app/ExternalObject.h"

namespace {

// Full-width forms of the printable ASCII characters fold to them; nothing else changes.
QChar FoldWidth(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
        return QChar(char16_t(u - 0xFF01 + 0x21));
    if (u == 0x3000)
        return QChar(u' ');
    return c;
}

}  // namespace

int CImpIDispatch::GetIDOfName(QStringView name)
{
    static const char16_t kPrefix[] = u"xxy";
    if (name.size() < 3)
        return -1;
    for (int i = 0; i < 3; ++i)
        if (FoldWidth(name[i]) != QChar(kPrefix[i]))
            return -1;
    return kDispId;
}

QString CImpIDispatch::InjectionScript()
{
    // The same folding as FoldWidth, in the page.
    return QStringLiteral(R"js((function () {
  function fold(c) {
    var u = c.charCodeAt(0);
    if (u >= 0xFF01 && u <= 0xFF5E) return String.fromCharCode(u - 0xFF01 + 0x21);
    if (u === 0x3000) return ' ';
    return c;
  }
  function known(name) {
    if (typeof name !== 'string' || name.length < 3) return false;
    return fold(name[0]) === 'x' && fold(name[1]) === 'x' && fold(name[2]) === 'y';
  }
  var external = new Proxy({}, {
    get: function (target, name) { return known(name) ? '%1' : undefined; },
    has: function (target, name) { return known(name); },
    set: function () { return true; },
    defineProperty: function () { return true; },
    deleteProperty: function () { return true; }
  });
  try {
    Object.defineProperty(window, 'external', {value: external, writable: false, configurable: false});
  } catch (e) {}
})();)js")
        .arg(Value());
}
