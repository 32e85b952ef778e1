#pragma once
// The extension, custom script and code base members of the project object's member table.
// The project object adds them where they stand in its interface, giving a function that
// builds the ProjectAccess of its own state:
//
//   extensions::addExtensionMembers(b, &RUZ::extensionAccess);   // after DeleteProj
//   extensions::addCustomCodeMembers(b, &RUZ::extensionAccess);  // before LoadDB
#include "extensions/codebase.h"
#include "extensions/custom_scripts.h"
#include "extensions/operations.h"
#include "platform/automation/members.h"

namespace quillet::extensions {

// AddExtension .. DeleteExtension, then CopyChartToExtensions. Scripts have no XML elements
// to pass to AddExtendedChart and AddExtendedField, so from a script those two find no level
// element and add nothing; the SetExt...Att members create entries on demand instead.
template <class C, class A> void addExtensionMembers(automation::ClassBuilder<C>& b, A access) {
  using S = const std::string&;
  using V = const Variant&;
  auto acc = [access](C& c) -> ProjectAccess { return (c.*access)(); };
  b.method("AddExtension",
           [acc](C& c, S name, S tpl, S xml) {
             ProjectAccess p = acc(c);
             return AddExtension(p, name, tpl, xml);
           })
      .method("GetExtDefault",
              [acc](C& c, S e, S level, S att) {
                ProjectAccess p = acc(c);
                return GetExtDefault(p, e, level, att);
              })
      .method("SetExtProjAtt",
              [acc](C& c, S e, S att, V v) {
                ProjectAccess p = acc(c);
                return SetExtProjAtt(p, e, att, v);
              })
      .method("GetExtProjAtt",
              [acc](C& c, S e, S att) {
                ProjectAccess p = acc(c);
                return GetExtProjAtt(p, e, att);
              })
      .method("SetExtDbAtt",
              [acc](C& c, S e, S att, V v) {
                ProjectAccess p = acc(c);
                return SetExtDbAtt(p, e, att, v);
              })
      .method("GetExtDbAtt",
              [acc](C& c, S e, S att) {
                ProjectAccess p = acc(c);
                return GetExtDbAtt(p, e, att);
              })
      .method("SetExtTblAtt",
              [acc](C& c, S e, S t, S att, V v) {
                ProjectAccess p = acc(c);
                return SetExtTblAtt(p, e, t, att, v);
              })
      .method("GetExtTblAtt",
              [acc](C& c, S e, S t, S att) {
                ProjectAccess p = acc(c);
                return GetExtTblAtt(p, e, t, att);
              })
      .method("SetExtChartAtt",
              [acc](C& c, S e, S t, S ch, S att, V v) {
                ProjectAccess p = acc(c);
                return SetExtChartAtt(p, e, t, ch, att, v);
              })
      .method("GetExtChartAtt",
              [acc](C& c, S e, S t, S ch, S att) {
                ProjectAccess p = acc(c);
                return GetExtChartAtt(p, e, t, ch, att);
              })
      .method("SetExtFldAtt",
              [acc](C& c, S e, S t, S f, S att, V v) {
                ProjectAccess p = acc(c);
                return SetExtFldAtt(p, e, t, f, att, v);
              })
      .method("GetExtFldAtt",
              [acc](C& c, S e, S t, S f, S att) {
                ProjectAccess p = acc(c);
                return GetExtFldAtt(p, e, t, f, att);
              })
      .method("AddExtendedChart",
              [acc](C& c, S e, S t, S ch, Variant&) {
                ProjectAccess p = acc(c);
                return AddExtendedChart(p, e, t, ch, {});
              })
      .method("AddExtendedField",
              [acc](C& c, S e, S t, S f, Variant&) {
                ProjectAccess p = acc(c);
                return AddExtendedField(p, e, t, f, {});
              })
      .method("DeleteExtension",
              [](C&, Variant& name) { return DeleteExtension(automation::CStr(name)); })
      .method("CopyChartToExtensions", [acc](C& c, S t, S from, Variant& to) {
        ProjectAccess p = acc(c);
        CopyChartToExtensions(p, t, from, automation::CStr(to));
      });
}

// AddCustomScript, UpdateCustomScript, DeleteCustomScript, LoadCodeBase, CodeBaseExist and
// LoadCustomScriptCode.
template <class C, class A> void addCustomCodeMembers(automation::ClassBuilder<C>& b, A access) {
  using S = const std::string&;
  auto acc = [access](C& c) -> ProjectAccess { return (c.*access)(); };
  auto withCode = [](auto fn) {
    return [fn](C&, automation::Args args) {
      if (args.size() != 8) automation::raise(automation::err::kWrongArgumentCount);
      return fn(scriptPartsOf(args), automation::CStr(args[7]));
    };
  };
  b.method("AddCustomScript",
           withCode([](const ScriptParts& p, S code) { return AddCustomScript(p, code); }))
      .method("UpdateCustomScript",
              withCode([](const ScriptParts& p, S code) { return UpdateCustomScript(p, code); }))
      .method("DeleteCustomScript",
              [](C&, automation::Args args) {
                if (args.size() != 7) automation::raise(automation::err::kWrongArgumentCount);
                return DeleteCustomScript(scriptPartsOf(args));
              })
      .method("LoadCodeBase", [](C&, S t, S ct, S n, S l) { return LoadCodeBase(t, ct, n, l); })
      .method("CodeBaseExist", [](C&, S t, S ct, S n, S l) { return CodeBaseExist(t, ct, n, l); })
      .method("LoadCustomScriptCode", [acc](C& c, automation::Args args) {
        if (args.size() != 7) automation::raise(automation::err::kWrongArgumentCount);
        ProjectAccess p = acc(c);
        return LoadCustomScriptCode(p, scriptPartsOf(args));
      });
}

} // namespace quillet::extensions
