#pragma once
// Member tables with little boilerplate. A class writes
//
//   class Greeter : public Object {
//     QUILLET_OBJECT(Greeter)
//   public:
//     std::string Hello(const std::string& who, int16_t times);
//     ...
//   };
//   QUILLET_DEFINE_CLASS(Greeter) {
//     b.method("Hello", &Greeter::Hello, 1)      // second argument optional
//      .prop("Name", &Greeter::name, &Greeter::setName)
//      .defaultMember("Name");
//   }
//
// and arguments and results are converted with the VB rules. A parameter of type Variant&
// receives the caller's variable (by reference); a parameter of type Args receives every
// argument as passed (any number).
#include <string>
#include <tuple>
#include <type_traits>

#include "platform/automation/convert.h"
#include "platform/automation/object.h"

namespace quillet::platform::automation {

namespace detail {

template <class T> struct IsRef : std::false_type {};
template <class T> struct IsRef<Ref<T>> : std::true_type { using type = T; };

// Converts one argument to a parameter type. Omitted arguments give Missing for a Variant
// and the type's zero value otherwise.
template <class P> struct Param {
  using T = std::remove_cvref_t<P>;
  T value;
  Param(Args args, size_t i) : value(convert(args, i)) {}
  T& get() { return value; }

  static T convert(Args args, size_t i) {
    if (i >= args.size() || args[i].isMissing()) {
      if constexpr (std::is_same_v<T, Variant>)
        return Variant::missing();
      else
        return T{};
    } else {
      // A value already of the parameter's type skips the conversion call.
      const Variant& v = args[i];
      if constexpr (std::is_same_v<T, Variant>)
        return v;
      else if constexpr (std::is_same_v<T, bool>)
        return v.type() == VarType::Boolean ? v.asBool() : CBool(v);
      else if constexpr (std::is_same_v<T, uint8_t>)
        return CByte(v);
      else if constexpr (std::is_same_v<T, int16_t>)
        return v.type() == VarType::Integer ? v.asInteger() : CInt(v);
      else if constexpr (std::is_same_v<T, int32_t>)
        return v.type() == VarType::Long      ? v.asLong()
               : v.type() == VarType::Integer ? v.asInteger()
                                              : CLng(v);
      else if constexpr (std::is_same_v<T, float>)
        return CSng(v);
      else if constexpr (std::is_same_v<T, double>)
        return v.type() == VarType::Double ? v.asDouble() : CDbl(v);
      else if constexpr (std::is_same_v<T, Currency>)
        return CCur(v);
      else if constexpr (std::is_same_v<T, DateTime>)
        return CDate(v);
      else if constexpr (std::is_same_v<T, std::string>)
        return v.isString() ? std::string(v.asString()) : CStr(v);
      else if constexpr (IsRef<T>::value)
        return objectArg<typename IsRef<T>::type>(v);
      else
        static_assert(sizeof(T) == 0, "unsupported parameter type");
    }
  }
  template <class O> static Ref<O> objectArg(const Variant& v) {
    if (!v.isObject()) raise(err::kTypeMismatch);
    if (v.isNothing()) return nullptr;
    if constexpr (std::is_same_v<O, Object>)
      return Ref<O>(v.asObject());
    else {
      O* p = dynamic_cast<O*>(v.asObject());
      if (!p) raise(err::kTypeMismatch);
      return Ref<O>(p);
    }
  }
};

// The texts `const std::string&` parameters are read from. The callee only reads the text
// while it runs, so its copy goes into a string kept from call to call whose room is reused:
// a host method taking text costs no allocation per call. Calls nest (a callee may run
// script code that calls natives again), and a call's parameters are let go in no fixed
// order, so strings are lent and handed back rather than stacked.
class TextArgStrings {
public:
  TextArgStrings() noexcept {
    for (size_t i = 0; i < kStrings; ++i)
      free_[i] = &strings_[i];
  }
  // Null when all are lent (deep nesting): the caller makes its own.
  std::string* lend() noexcept { return count_ ? free_[--count_] : nullptr; }
  void giveBack(std::string* s) noexcept {
    // A long text once passed does not keep its room for the life of the thread.
    if (s->capacity() > kKeptRoom) std::string().swap(*s);
    free_[count_++] = s;
  }

private:
  static constexpr size_t kStrings = 8;
  static constexpr size_t kKeptRoom = 4096;
  std::string strings_[kStrings];
  std::string* free_[kStrings];
  size_t count_ = kStrings;
};
inline thread_local TextArgStrings textArgStrings;

template <> struct Param<const std::string&> {
  std::string* text;
  bool lent;
  Param(Args args, size_t i) {
    text = textArgStrings.lend();
    lent = text != nullptr;
    if (!lent) text = new std::string;
    try {
      if (i >= args.size() || args[i].isMissing())
        text->clear();
      else if (const Variant& v = args[i]; v.isString())
        text->assign(v.asString());
      else
        *text = CStr(v);
    } catch (...) {
      letGo();
      throw;
    }
  }
  // Moved into the call's parameter list once made: the string goes with it.
  Param(Param&& o) noexcept : text(o.text), lent(o.lent) { o.text = nullptr; }
  Param(const Param&) = delete;
  Param& operator=(const Param&) = delete;
  ~Param() { letGo(); }
  const std::string& get() { return *text; }

private:
  void letGo() noexcept {
    if (!text) return;
    if (lent)
      textArgStrings.giveBack(text);
    else
      delete text;
    text = nullptr;
  }
};

// By reference: the caller's variable itself.
// An omitted argument gives a Missing of the parameter's own; the pointer never names that
// member, since the parameter is moved into place after it is made.
template <> struct Param<Variant&> {
  Variant* target = nullptr;
  Variant missing = Variant::missing();
  Param(Args args, size_t i) {
    if (i < args.size()) target = &args[i];
  }
  Variant& get() { return target ? *target : missing; }
};

template <class R> Variant result(R&& r) {
  using T = std::remove_cvref_t<R>;
  if constexpr (std::is_same_v<T, Variant>)
    return std::forward<R>(r);
  else if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, size_t> ||
                     std::is_same_v<T, uint32_t>)
    return Variant::fromInt64(static_cast<int64_t>(r));
  else if constexpr (IsRef<T>::value)
    return Variant(static_cast<Object*>(r.get()));
  else if constexpr (std::is_pointer_v<T> && std::is_base_of_v<Object, std::remove_pointer_t<T>>)
    return Variant(static_cast<Object*>(r));
  else
    return Variant(std::forward<R>(r));
}

template <class F> struct FnTraits;
template <class C, class R, class... A> struct FnTraits<R (C::*)(A...)> {
  using Ret = R;
  using Params = std::tuple<A...>;
};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const> : FnTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) noexcept> : FnTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const noexcept> : FnTraits<R (C::*)(A...)> {};
// A lambda or function whose first parameter is the object.
template <class F> struct LambdaTraits;
template <class L, class R, class C, class... A> struct LambdaTraits<R (L::*)(C&, A...) const> {
  using Ret = R;
  using Params = std::tuple<A...>;
};
template <class L, class R, class C, class... A>
struct LambdaTraits<R (L::*)(C&, A...)> : LambdaTraits<R (L::*)(C&, A...) const> {};
template <class R, class C, class... A> struct FnTraits<R (*)(C&, A...)> {
  using Ret = R;
  using Params = std::tuple<A...>;
};

template <class F> struct Callable : FnTraits<F> {};

template <class F>
requires requires {
  &F::operator();
}
struct Callable<F> : LambdaTraits<decltype(&F::operator())> {};

template <class C, class F, class... A, size_t... I>
Variant callAdapted(C& self, F& f, [[maybe_unused]] Args args, std::tuple<A...>*,
                    std::index_sequence<I...>) {
  [[maybe_unused]] std::tuple<Param<A>...> params{Param<A>(args, I)...};
  using R = typename Callable<F>::Ret;
  auto call = [&]() -> decltype(auto) {
    if constexpr (std::is_member_function_pointer_v<F>)
      return (self.*f)(std::get<I>(params).get()...);
    else
      return f(self, std::get<I>(params).get()...);
  };
  if constexpr (std::is_void_v<R>) {
    call();
    return Variant();
  } else {
    return result(call());
  }
}

template <class F> constexpr bool takesRawArgs() {
  using P = typename Callable<F>::Params;
  if constexpr (std::tuple_size_v<P> == 1)
    return std::is_same_v<std::remove_cvref_t<std::tuple_element_t<0, P>>, Args>;
  else
    return false;
}

template <class C, class F> Member::Fn adapt(F f) {
  return [f](Object& obj, Args args) mutable -> Variant {
    C& self = static_cast<C&>(obj);
    if constexpr (takesRawArgs<F>()) {
      using R = typename Callable<F>::Ret;
      if constexpr (std::is_void_v<R>) {
        if constexpr (std::is_member_function_pointer_v<F>)
          (self.*f)(args);
        else
          f(self, args);
        return Variant();
      } else {
        if constexpr (std::is_member_function_pointer_v<F>)
          return result((self.*f)(args));
        else
          return result(f(self, args));
      }
    } else {
      using P = typename Callable<F>::Params;
      return callAdapted<C>(self, f, args, static_cast<P*>(nullptr),
                            std::make_index_sequence<std::tuple_size_v<P>>{});
    }
  };
}

template <class F> constexpr int arityOf() {
  if constexpr (takesRawArgs<F>())
    return -1;
  else
    return static_cast<int>(std::tuple_size_v<typename Callable<F>::Params>);
}

} // namespace detail

template <class C> class ClassBuilder {
public:
  explicit ClassBuilder(ClassInfo& info) : info_(info) {}

  // A method; `required` arguments must be given, the rest are optional (default: all).
  template <class F> ClassBuilder& method(std::string name, F fn, int required = -1) {
    Member& m = info_.add(std::move(name));
    m.get = detail::adapt<C>(fn);
    setCounts(m, detail::arityOf<F>(), required);
    m.isMethod = true;
    return *this;
  }
  // A read-only property (its getter may take index arguments).
  template <class G> ClassBuilder& get(std::string name, G getter, int required = -1) {
    Member& m = info_.add(std::move(name));
    m.get = detail::adapt<C>(getter);
    setCounts(m, detail::arityOf<G>(), required);
    return *this;
  }
  // A read-write property: the setter takes the getter's arguments and then the value.
  template <class G, class S>
  ClassBuilder& prop(std::string name, G getter, S setter, int required = -1) {
    get(name, getter, required);
    info_.add(std::move(name)).let = detail::adapt<C>(setter);
    return *this;
  }
  // A write-only property.
  template <class S> ClassBuilder& let(std::string name, S setter) {
    Member& m = info_.add(std::move(name));
    m.let = detail::adapt<C>(setter);
    int n = detail::arityOf<S>();
    m.minArgs = m.maxArgs = n < 0 ? -1 : n - 1;
    return *this;
  }
  // An object property assigned with Set.
  template <class G, class S> ClassBuilder& objProp(std::string name, G getter, S setter) {
    get(name, getter);
    info_.add(std::move(name)).set = detail::adapt<C>(setter);
    return *this;
  }
  // A member written by hand: fn receives every argument as passed.
  ClassBuilder& raw(std::string name, Member::Fn getOrCall, int minArgs, int maxArgs,
                    Member::Fn letFn = {}, Member::Fn setFn = {}) {
    Member& m = info_.add(std::move(name));
    m.get = std::move(getOrCall);
    m.let = std::move(letFn);
    m.set = std::move(setFn);
    m.minArgs = minArgs;
    m.maxArgs = maxArgs;
    return *this;
  }
  ClassBuilder& defaultMember(std::string_view name) {
    info_.setDefault(name);
    return *this;
  }
  // The For Each enumerator: a member function returning Ref<Enumerator> (also callable
  // as the member "_NewEnum").
  template <class F> ClassBuilder& enumerator(F fn) {
    info_.setEnumerator([fn](Object& obj) -> Ref<Enumerator> {
      C& self = static_cast<C&>(obj);
      if constexpr (std::is_member_function_pointer_v<F>)
        return (self.*fn)();
      else
        return fn(self);
    });
    return *this;
  }
  ClassBuilder& inherit(const ClassInfo& base) {
    info_.inherit(base);
    return *this;
  }

private:
  static void setCounts(Member& m, int arity, int required) {
    m.maxArgs = arity;
    m.minArgs = arity < 0 ? (required < 0 ? 0 : required) : (required < 0 ? arity : required);
  }
  ClassInfo& info_;
};

} // namespace quillet::platform::automation

// Declares the member table of a class deriving from Object.
#define QUILLET_OBJECT(Cls)                                                                        \
public:                                                                                            \
  static const ::quillet::platform::automation::ClassInfo& staticClassInfo();                      \
  const ::quillet::platform::automation::ClassInfo& classInfo() const override {                   \
    return staticClassInfo();                                                                      \
  }                                                                                                \
  static void describeMembers(::quillet::platform::automation::ClassBuilder<Cls>& b);              \
                                                                                                   \
private:

// Defines the member table; the block that follows fills it through the builder `b`.
#define QUILLET_DEFINE_CLASS_NAMED(Cls, Name)                                                      \
  const ::quillet::platform::automation::ClassInfo& Cls::staticClassInfo() {                       \
    static const ::quillet::platform::automation::ClassInfo info = [] {                            \
      ::quillet::platform::automation::ClassInfo i(Name);                                          \
      ::quillet::platform::automation::ClassBuilder<Cls> b(i);                                     \
      Cls::describeMembers(b);                                                                     \
      return i;                                                                                    \
    }();                                                                                           \
    return info;                                                                                   \
  }                                                                                                \
  void Cls::describeMembers([[maybe_unused]] ::quillet::platform::automation::ClassBuilder<Cls>& b)

#define QUILLET_DEFINE_CLASS(Cls) QUILLET_DEFINE_CLASS_NAMED(Cls, #Cls)
